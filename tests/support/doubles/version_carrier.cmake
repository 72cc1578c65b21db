# version_carrier.exe has no version resource; each doubles/versions/NAME.rc
# gives a NAME.exe with one. All land in bin/doubles/versions.
set(VX_VERSION_FILES_DIR ${CMAKE_BINARY_DIR}/bin/doubles/versions)
add_executable(version_carrier ${CMAKE_CURRENT_SOURCE_DIR}/doubles/version_carrier.cpp)
set_target_properties(version_carrier PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VX_VERSION_FILES_DIR})
file(GLOB VX_VERSION_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/doubles/versions/*.rc)
foreach(script ${VX_VERSION_SCRIPTS})
  get_filename_component(versioned_name ${script} NAME_WE)
  add_executable(${versioned_name} ${CMAKE_CURRENT_SOURCE_DIR}/doubles/version_carrier.cpp ${script})
  set_target_properties(${versioned_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VX_VERSION_FILES_DIR})
  add_dependencies(version_carrier ${versioned_name})
endforeach()
