# Links the library, whose statistics it runs.
add_executable(temp_stats_probe ${CMAKE_CURRENT_SOURCE_DIR}/doubles/temp_stats_probe.cpp)
target_link_libraries(temp_stats_probe PRIVATE vx_library)
