# bin/doubles/planted/planted_dll.dll. Its DllMain runs under the loader lock:
# no stack guard, whose runtime might load another DLL there.
add_library(planted_dll SHARED ${CMAKE_CURRENT_SOURCE_DIR}/doubles/planted_dll.cpp)
set_target_properties(planted_dll PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                                             ${CMAKE_BINARY_DIR}/bin/doubles/planted)
target_compile_options(planted_dll PRIVATE -fno-stack-protector)
