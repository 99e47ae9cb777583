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

# Public headers, in one flat folder (the sources include each other by file
# name): the layers' own lists (qvasn1_layer ... HEADERS), the platform
# stand-ins' headers and the generated headers.
set(QVASN1_PLATFORM_HEADERS AtlCompat.h CorvaneBase.h WinCompat.h qvalloc.h)
list(TRANSFORM QVASN1_PLATFORM_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/platform/)
install(FILES ${QVASN1_PUBLIC_HEADERS} ${QVASN1_PLATFORM_HEADERS} ${QVASN1_GENERATED_HEADERS}
  DESTINATION ${QVASN1_INSTALL_INCLUDEDIR})

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
