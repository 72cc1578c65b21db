# A program of its own with string resources, for the application layer.
add_executable(app_probe ${CMAKE_CURRENT_SOURCE_DIR}/doubles/app_probe.cpp
                         ${CMAKE_CURRENT_SOURCE_DIR}/doubles/app_probe.rc)
target_link_libraries(app_probe PRIVATE vx_framework)
