# Built as Xperf.exe in a folder of its own: found only when a test puts that
# folder on PATH.
add_executable(fake_xperf ${CMAKE_CURRENT_SOURCE_DIR}/doubles/fake_xperf.cpp)
set_target_properties(fake_xperf PROPERTIES OUTPUT_NAME Xperf RUNTIME_OUTPUT_DIRECTORY
                                            ${CMAKE_BINARY_DIR}/bin/doubles/xperf)
