# What leaves the tree: the install (headers, static libraries, programs and
# the CMake package "Vx") and the operator's runtime bundle made by cpack.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# ---- Install and the CMake package ------------------------------------------

# A consumer links Vx::library (or Vx::framework, Vx::elevated_folders,
# Vx::elevated_tasks alone) and gets the system libraries and C++20 along.
# The pipe server of the program itself is not installed.
set_target_properties(vx_framework PROPERTIES EXPORT_NAME framework)
set_target_properties(vx_elevated_folders PROPERTIES EXPORT_NAME elevated_folders)
set_target_properties(vx_elevated_tasks PROPERTIES EXPORT_NAME elevated_tasks)
set_target_properties(vx_library PROPERTIES EXPORT_NAME library)
install(TARGETS vx_framework vx_elevated_folders vx_elevated_tasks vx_library EXPORT VxTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Exported too, so that a consumer can copy ElevatedTasks beside its own program.
install(TARGETS qlfvxET qlfvxETctl EXPORT VxTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The chief headers and everything they include, at their include paths. The
# detail headers beside the sources stay private.
set(VX_PUBLIC_HEADERS
    elevated_tasks/elevated_tasks.h
    elevated_tasks/pipe_protocol.h
    framework/app.h
    framework/file.h
    framework/handles.h
    framework/profile.h
    framework/text.h
    library/launch_shell/launch_shell.h
    library/product_settings/document_component.h
    library/product_settings/product_settings.h
    library/system_files/system_files.h
    library/temp_registry/temp_registry.h)
foreach(header ${VX_PUBLIC_HEADERS})
  get_filename_component(header_dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${header_dir})
endforeach()

set(VX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vx)
install(EXPORT VxTargets NAMESPACE Vx:: DESTINATION ${VX_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VxConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/VxConfig.cmake INSTALL_DESTINATION ${VX_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VxConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VxConfig.cmake ${CMAKE_BINARY_DIR}/VxConfigVersion.cmake
        DESTINATION ${VX_PACKAGE_DIR})

# ---- The runtime bundle: cpack in the build tree ----------------------------

# Only the component "bundle" goes into the ZIP, flat, and a plain install
# leaves it out.
install(TARGETS qlfvxET qlfvxETctl RUNTIME DESTINATION . COMPONENT bundle EXCLUDE_FROM_ALL)
# Every other program built into bin/hardened (the hardened ElevatedTasks)
# goes into the bundle's hardened/ folder, whatever its target is called.
function(vx_bundle_hardened_programs dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(output ${target} RUNTIME_OUTPUT_DIRECTORY)
    if(type STREQUAL "EXECUTABLE" AND output MATCHES "/bin/hardened/?$")
      install(TARGETS ${target} RUNTIME DESTINATION hardened COMPONENT bundle EXCLUDE_FROM_ALL)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    vx_bundle_hardened_programs(${subdir})
  endforeach()
endfunction()
vx_bundle_hardened_programs(${PROJECT_SOURCE_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/operator-README.md DESTINATION . RENAME README.md
        COMPONENT bundle EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/docs/security.md DESTINATION docs COMPONENT bundle
        EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME qlfvxET)
set(CPACK_PACKAGE_VENDOR "Brevanne Koltec")
set(CPACK_PACKAGE_FILE_NAME qlfvxET-${PROJECT_VERSION}-win64)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};bundle;/")
set(CPACK_STRIP_FILES ON)
# Signed after stripping, which would drop a signature (cmake/sign_bundle.cmake).
find_program(VX_OSSLSIGNCODE osslsigncode)
find_program(VX_OPENSSL openssl)
set(CPACK_VX_OSSLSIGNCODE ${VX_OSSLSIGNCODE})
set(CPACK_VX_OPENSSL ${VX_OPENSSL})
set(CPACK_VX_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
# The mitigations are read back before signing: Debian's python3, which has python3-pefile.
find_program(VX_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(VX_PYTHON3 python3)
set(VX_CHECK_MITIGATIONS ${VX_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/check_mitigations.py)
set(CPACK_VX_CHECK_MITIGATIONS ${VX_CHECK_MITIGATIONS})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/sign_bundle.cmake)
include(CPack)
