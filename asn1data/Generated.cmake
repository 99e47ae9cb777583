# The generated types: asn1gen runs at build time over the module texts and
# the configuration and writes the sources into the build tree (never into
# the source tree). Compiling them into the library can be switched off
# while the run-time they call is being changed.
option(QVASN1_BUILD_GENERATED "Compile the generated asn1data types into the library" ON)

set(QVASN1_ASN1_DIR ${CMAKE_CURRENT_SOURCE_DIR}/asn1data)
# Every module text of asn1data/ is generated, one <Module>.h/.cpp each.
file(GLOB asn1_module_files CONFIGURE_DEPENDS ${QVASN1_ASN1_DIR}/*.asn)
set(QVASN1_ASN1_MODULES)
foreach(f IN LISTS asn1_module_files)
  get_filename_component(mod ${f} NAME_WE)
  list(APPEND QVASN1_ASN1_MODULES ${mod})
endforeach()
set(QVASN1_GEN_DIR ${CMAKE_CURRENT_BINARY_DIR}/asn1data)
set(QVASN1_ASN1_CONF ${QVASN1_ASN1_DIR}/asn1gen.conf)

# The modules that define information objects or table-constrained types
# also get <Module>Table.h/.cpp (object classes, objects, object sets and
# table-constraint functions); asn1gen refuses a run where this list and
# the module texts disagree.
set(QVASN1_TABLE_MODULES
  CertificateExtensions CryptographicMessageSyntax
  ETS-ElectronicSignatureFormats-97Syntax Gost-Qualified-Certificate
  PKIX1Explicit88 PKIXCMP PKIXDVCS PKIXOCSP PKIXTSP)

set(asn1_inputs)
set(asn1_outputs ${QVASN1_GEN_DIR}/asn1dataRecords.h)
foreach(mod IN LISTS QVASN1_ASN1_MODULES)
  list(APPEND asn1_inputs ${QVASN1_ASN1_DIR}/${mod}.asn)
  list(APPEND asn1_outputs ${QVASN1_GEN_DIR}/${mod}.h ${QVASN1_GEN_DIR}/${mod}.cpp
       ${QVASN1_GEN_DIR}/${mod}Copy.cpp ${QVASN1_GEN_DIR}/${mod}Reg.cpp)
endforeach()
foreach(mod IN LISTS QVASN1_TABLE_MODULES)
  list(APPEND asn1_outputs ${QVASN1_GEN_DIR}/${mod}Table.h ${QVASN1_GEN_DIR}/${mod}Table.cpp)
endforeach()
string(REPLACE ";" "," asn1_table_list "${QVASN1_TABLE_MODULES}")

# The stamp is the rule's output; the sources are byproducts that asn1gen
# rewrites only when their text changes, so that an edit of one module
# recompiles only the sources it changes.
add_custom_command(
  OUTPUT ${QVASN1_GEN_DIR}/asn1data.stamp
  BYPRODUCTS ${asn1_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QVASN1_GEN_DIR}
  COMMAND asn1gen --config ${QVASN1_ASN1_CONF} --tables ${asn1_table_list} --out ${QVASN1_GEN_DIR} ${asn1_inputs}
  COMMAND ${CMAKE_COMMAND} -E touch ${QVASN1_GEN_DIR}/asn1data.stamp
  DEPENDS asn1gen ${asn1_inputs} ${QVASN1_ASN1_CONF}
  COMMENT "Generating the asn1data types"
  VERBATIM)
add_custom_target(asn1data_generated DEPENDS ${QVASN1_GEN_DIR}/asn1data.stamp)

if(QVASN1_BUILD_GENERATED)
  # Two layers: the types (codecs, copies, tables of information objects)
  # over the support of generated code, and their registration tables, which
  # belong to the registry above them.
  set(asn1_type_sources ${asn1_outputs})
  list(FILTER asn1_type_sources INCLUDE REGEX "\\.cpp$")
  set(asn1_reg_sources ${asn1_type_sources})
  list(FILTER asn1_type_sources EXCLUDE REGEX "Reg\\.cpp$")
  list(FILTER asn1_reg_sources INCLUDE REGEX "Reg\\.cpp$")
  qvasn1_layer(qvasn1_generated SOURCES ${asn1_type_sources} DEPENDS qvasn1_gensupport)
  target_include_directories(qvasn1_generated PUBLIC "$<BUILD_INTERFACE:${QVASN1_GEN_DIR}>")
  add_dependencies(qvasn1_generated asn1data_generated)
  qvasn1_layer(qvasn1_generated_registry SOURCES ${asn1_reg_sources} DEPENDS qvasn1_generated qvasn1_registry)
  # The generated headers, installed beside the run-time headers.
  set(QVASN1_GENERATED_HEADERS ${asn1_outputs})
  list(FILTER QVASN1_GENERATED_HEADERS INCLUDE REGEX "\\.h$")
endif()
