# Files with and without version resources, for the file-version tests. They
# land in bin/doubles/versions; each resource script in doubles/versions/
# gives one file of the same name (a .dll when the script's name ends in
# _dll), and version_carrier.exe itself has no resource at all.
set(VX_VERSION_FILES_DIR ${CMAKE_BINARY_DIR}/bin/doubles/versions)

add_executable(version_carrier ${CMAKE_CURRENT_SOURCE_DIR}/doubles/version_carrier.cpp)
set_target_properties(version_carrier PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VX_VERSION_FILES_DIR})

file(GLOB VX_VERSION_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/doubles/versions/*.rc)
foreach(script ${VX_VERSION_SCRIPTS})
  get_filename_component(versioned_name ${script} NAME_WE)
  if(versioned_name MATCHES "_dll$")
    add_library(${versioned_name} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/doubles/version_carrier.cpp
                                         ${script})
    target_compile_definitions(${versioned_name} PRIVATE VX_VERSION_CARRIER_DLL)
    set_target_properties(${versioned_name} PROPERTIES PREFIX "")
  else()
    add_executable(${versioned_name} ${CMAKE_CURRENT_SOURCE_DIR}/doubles/version_carrier.cpp
                                     ${script})
  endif()
  set_target_properties(${versioned_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                     ${VX_VERSION_FILES_DIR})
  add_dependencies(version_carrier ${versioned_name})
endforeach()
