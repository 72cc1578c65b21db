# vx_add_test(NAME name SOURCES ... [LIBS ...] [DEPENDS target ...])
# One GoogleTest executable, run by ctest under Wine in the run's prefix.
# A program that runs past its TIMEOUT (60 s unless set later) is killed and fails.
function(vx_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE vx_test_support GTest::gtest ${T_LIBS})
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine_prefix
                       ENVIRONMENT "VX_WINEPREFIX=${VX_WINEPREFIX}" TIMEOUT 60)
endfunction()

# vx_delay_load(target dll ...)
# The named system DLLs are loaded at the first call into them instead of
# at the program's start. Under Wine, user32 alone added about 25 ms to the
# start of qlfvxET.exe, and the shell, COM and version DLLs about 15 ms more,
# although ElevatedTasks calls them only for Xperf and the rare message box.
# MSVC has the linker switch. For mingw-w64 a delay-import library is made
# from each import library, under the import library's own name, in a folder
# that the target alone searches first: every reference of every archive
# then goes through the delay helper, whatever the link order.
function(vx_delay_load target)
  if(MSVC)
    foreach(dll IN LISTS ARGN)
      target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
    return()
  endif()
  # mingw-w64's import libraries, made by binutils, are plain objects to lld,
  # which therefore cannot delay-load through them; lld delay-loads DLLs that
  # come from short import libraries (llvm-dlltool's), through the runtime's
  # __delayLoadHelper2. binutils' dlltool makes delay-import libraries itself.
  set(lld OFF)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(lld ON)
    find_program(VX_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
  endif()
  set(folder ${CMAKE_BINARY_DIR}/delay-load)
  file(MAKE_DIRECTORY ${folder})
  foreach(dll IN LISTS ARGN)
    set(delayLibrary ${folder}/lib${dll}.a)
    if(NOT EXISTS ${delayLibrary})
      set(importLibrary ${CMAKE_SYSROOT}/lib/lib${dll}.a)
      if(NOT lld)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
                        OUTPUT_VARIABLE importLibrary OUTPUT_STRIP_TRAILING_WHITESPACE)
      endif()
      execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${importLibrary}
                      OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
      # Each function of an import library has a code thunk (" T name");
      # data exports have none and stay out of the list.
      string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@?$]*" thunks "${symbols}")
      list(TRANSFORM thunks REPLACE "^[0-9a-f]+ T " "")
      if(failed OR NOT thunks)
        message(FATAL_ERROR "cannot list the functions of ${importLibrary}")
      endif()
      list(JOIN thunks "\n" exports)
      file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
      if(lld)
        execute_process(COMMAND ${VX_LLVM_DLLTOOL} -m i386:x86-64 -d ${folder}/${dll}.def
                                -l ${delayLibrary} RESULT_VARIABLE failed)
      else()
        execute_process(COMMAND ${CMAKE_DLLTOOL} -d ${folder}/${dll}.def -y ${delayLibrary}
                        RESULT_VARIABLE failed)
      endif()
      if(failed)
        message(FATAL_ERROR "cannot make the delay-import library of ${dll}")
      endif()
    endif()
    if(lld)
      target_link_options(${target} PRIVATE -Wl,--delayload=${dll}.dll)
    endif()
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE ${folder})
endfunction()
