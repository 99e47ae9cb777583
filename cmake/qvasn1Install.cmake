# What `cmake --install` puts in place: the library with its SONAME link, the
# platform stand-ins (libqvalloc, libqvplatform, libqvbase), the public
# headers, the converter qvasn1, a CMake package (find_package(qvasn1) gives
# the imported target qvasn1::qvasn1) and a pkg-config file (qvasn1.pc).
#
# Everything is relocatable: programs and libraries find their libraries
# relative to themselves, the package files locate the tree from where they
# lie, so `cmake --install <build> --prefix <anywhere>` gives a working tree.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QVASN1_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/qvasn1)
set(QVASN1_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/qvasn1)

# The installed libraries find each other beside themselves, the converter
# finds them in the library folder.
file(RELATIVE_PATH _qvasn1_bin_to_lib "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
set_target_properties(qvasn1 qvalloc qvplatform qvbase PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(qvasn1_cli PROPERTIES INSTALL_RPATH "$ORIGIN/${_qvasn1_bin_to_lib}")

install(TARGETS qvasn1 qvalloc qvplatform qvbase EXPORT qvasn1Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS qvasn1_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Public headers: every header of the run-time folders except the internal
# ones below (included by sources only, never by a public header), and the
# platform stand-ins' headers, in one flat folder (the sources include each
# other by file name).
set(QVASN1_INTERNAL_HEADERS_REGEX "(Internal|asn1TimeScan)\\.h$")
set(_qvasn1_headers)
foreach(dir IN LISTS QVASN1_RT_DIRS ITEMS platform wrapper)
  file(GLOB _dir_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.h)
  list(FILTER _dir_headers EXCLUDE REGEX "${QVASN1_INTERNAL_HEADERS_REGEX}")
  list(APPEND _qvasn1_headers ${_dir_headers})
endforeach()
install(FILES ${_qvasn1_headers} DESTINATION ${QVASN1_INSTALL_INCLUDEDIR})

# >>> Hook for the generated type library (asn1data). The build of the
# generated sources names each folder of generated headers, from any
# CMakeLists and in any order, with
#    set_property(GLOBAL APPEND PROPERTY QVASN1_GENERATED_HEADER_DIRS <dir>)
# (or, at the top level, in the variable QVASN1_GENERATED_HEADER_DIRS). When
# the configuration is complete, each folder's headers are installed beside
# the run-time headers, so that a consumer includes "PKIX1Explicit88.h" as
# it includes "asn1type.h".
function(_qvasn1_install_generated_headers)
  get_property(dirs GLOBAL PROPERTY QVASN1_GENERATED_HEADER_DIRS)
  list(APPEND dirs ${QVASN1_GENERATED_HEADER_DIRS})
  list(REMOVE_DUPLICATES dirs)
  foreach(dir IN LISTS dirs)
    install(DIRECTORY ${dir}/ DESTINATION ${QVASN1_INSTALL_INCLUDEDIR}
      FILES_MATCHING PATTERN "*.h")
  endforeach()
endfunction()
cmake_language(DEFER CALL _qvasn1_install_generated_headers)
# <<< end of the hook

# CMake package.
install(EXPORT qvasn1Targets NAMESPACE qvasn1:: DESTINATION ${QVASN1_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/qvasn1Config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/qvasn1Config.cmake
  INSTALL_DESTINATION ${QVASN1_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qvasn1ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qvasn1Config.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/qvasn1ConfigVersion.cmake
        DESTINATION ${QVASN1_INSTALL_CMAKEDIR})

# pkg-config file; the prefix is found from the file's own place.
file(RELATIVE_PATH QVASN1_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" QVASN1_PC_TO_PREFIX "${QVASN1_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/qvasn1.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qvasn1.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qvasn1.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
