# Installs the build tree into a fresh prefix, checks what lies there, and
# builds and runs a small consumer against it through find_package and, when
# pkg-config is present, through pkg-config.
#
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DCONSUMER_DIR=... -DGENERATOR=...
#       -DCXX=... -DCXX_FLAGS=... -DEXE_LINKER_FLAGS=... -DBUILD_TYPE=...
#       -P RunInstallTest.cmake
cmake_minimum_required(VERSION 3.25)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The library folder is lib, or lib64 / lib/<multiarch> on some systems.
file(GLOB_RECURSE config RELATIVE ${prefix} ${prefix}/*/qvasn1Config.cmake)
if(NOT config)
  message(FATAL_ERROR "no qvasn1Config.cmake installed")
endif()
string(REGEX REPLACE "/cmake/qvasn1/qvasn1Config.cmake$" "" libdir "${config}")
foreach(f ${libdir}/libqvasn1.so ${libdir}/libqvasn1.so.4 ${libdir}/libqvalloc.so.1
          ${libdir}/libqvplatform.so.1 ${libdir}/libqvbase.so.1 ${libdir}/pkgconfig/qvasn1.pc bin/qvasn1
          include/qvasn1/asn1type.h include/qvasn1/asn1Registry.h include/qvasn1/asn1ber.h
          include/qvasn1/asn1XerCppTypes.h include/qvasn1/qvalloc.h include/qvasn1/CorvaneBase.h
          include/qvasn1/Types.h include/qvasn1/TypesTraits.h include/qvasn1/Util.h)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(NOT IS_SYMLINK ${prefix}/${libdir}/libqvasn1.so.4)
  message(FATAL_ERROR "libqvasn1.so.4 is not the SONAME link")
endif()
if(EXISTS ${prefix}/include/qvasn1/berInternal.h OR EXISTS ${prefix}/include/qvasn1/asn1TimeScan.h)
  message(FATAL_ERROR "an internal header was installed")
endif()

# The installed converter runs from its own place.
run("installed qvasn1 --help" ${prefix}/bin/qvasn1 --help)
run("installed qvasn1 types" ${prefix}/bin/qvasn1 types)

# find_package.
set(build ${WORK_DIR}/consumer-build)
run("consumer configure" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${build} -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}")
run("consumer build" ${CMAKE_COMMAND} --build ${build})
run("consumer run" ${build}/consumer)
message(STATUS "${run_output}")

# pkg-config.
find_program(PKG_CONFIG NAMES pkg-config pkgconf)
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${libdir}/pkgconfig)
  run("pkg-config" ${PKG_CONFIG} --cflags --libs qvasn1)
  string(STRIP "${run_output}" pc_flags)
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS} ${EXE_LINKER_FLAGS}")
  run("pkg-config consumer build" ${CXX} -std=c++17 ${cxx_flags} ${CONSUMER_DIR}/main.cpp ${pc_flags}
      -Wl,-rpath,${prefix}/${libdir} -o ${WORK_DIR}/consumer-pc)
  run("pkg-config consumer run" ${WORK_DIR}/consumer-pc)
  message(STATUS "${run_output}")
else()
  message(STATUS "pkg-config not found: the pkg-config consumer is not built")
endif()
