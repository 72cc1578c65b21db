# An in-process COM server DLL that the tests register while they run.
add_library(qf_document_double SHARED ${CMAKE_CURRENT_SOURCE_DIR}/doubles/qf_document_double.cpp
                                      ${CMAKE_CURRENT_SOURCE_DIR}/doubles/qf_document_double.def)
target_include_directories(qf_document_double PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(qf_document_double PRIVATE ole32 oleaut32 uuid gdi32)
set_target_properties(qf_document_double PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                                                    ${CMAKE_BINARY_DIR}/bin)
