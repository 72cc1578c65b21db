add_executable(system_probe ${CMAKE_CURRENT_SOURCE_DIR}/doubles/system_probe.cpp)
target_link_libraries(system_probe PRIVATE vx_library)
