# The install as another project consumes it, and the runtime bundle.
set(VX_CONSUMER_DIR ${CMAKE_BINARY_DIR}/consumer)
string(JOIN " " VX_CONSUMER_FLAGS ${CMAKE_CXX_FLAGS} ${VX_CHECKED_FLAGS})  # as the tree's
add_test(NAME package_install COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR}
                                      --prefix ${VX_CONSUMER_DIR}/prefix)
set_tests_properties(package_install PROPERTIES FIXTURES_SETUP vx_install TIMEOUT 120)
add_test(NAME package_consumer
         COMMAND ${CMAKE_CTEST_COMMAND} --build-and-test ${CMAKE_CURRENT_LIST_DIR}
                 ${VX_CONSUMER_DIR}/build --build-generator ${CMAKE_GENERATOR}
                 --build-options -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
                                 -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${VX_CONSUMER_DIR}/prefix
                                 "-DCMAKE_CXX_FLAGS=${VX_CONSUMER_FLAGS}"
                 --test-command ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh
                                ${VX_CONSUMER_DIR}/build/vx_consumer.exe)
# It compiles every installed header alone: minutes on a busy machine.
set_tests_properties(package_consumer PROPERTIES FIXTURES_REQUIRED "wine_prefix;vx_install"
                     ENVIRONMENT "VX_WINEPREFIX=${VX_WINEPREFIX}" TIMEOUT 300)

# The mitigations of the programs as built; cpack reads them back in the bundle.
add_test(NAME program_mitigations
         COMMAND ${VX_CHECK_MITIGATIONS} --unstripped $<TARGET_FILE:qlfvxET>
                 $<TARGET_FILE:qlfvxET_hardened> $<TARGET_FILE:qlfvxETctl>)
set_tests_properties(program_mitigations PROPERTIES TIMEOUT 60)

add_test(NAME runtime_bundle
         COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR}
                 -DVERSION=${PROJECT_VERSION} -DOSSLSIGNCODE=${VX_OSSLSIGNCODE}
                 "-DCHECK_MITIGATIONS=${VX_CHECK_MITIGATIONS}"
                 -DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}
                 -P ${CMAKE_CURRENT_LIST_DIR}/bundle_check.cmake)
set_tests_properties(runtime_bundle PROPERTIES FIXTURES_REQUIRED wine_prefix
                     ENVIRONMENT "VX_WINEPREFIX=${VX_WINEPREFIX}" TIMEOUT 120)
