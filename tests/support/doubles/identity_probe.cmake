add_executable(identity_probe ${CMAKE_CURRENT_SOURCE_DIR}/doubles/identity_probe.cpp)
target_link_libraries(identity_probe PRIVATE vx_library)
