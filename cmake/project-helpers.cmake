# vx_add_test(NAME name SOURCES ... [LIBS ...] [DEPENDS target ...] [TIMEOUT seconds])
# One GoogleTest executable, run by ctest under Wine in the run's prefix.
# A program that runs past its TIMEOUT (default 60 s) is killed and fails.
function(vx_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE vx_test_support GTest::gtest ${T_LIBS})
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine_prefix
                       ENVIRONMENT "VX_WINEPREFIX=${VX_WINEPREFIX}" TIMEOUT ${T_TIMEOUT})
endfunction()
