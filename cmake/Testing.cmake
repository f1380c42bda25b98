enable_testing()

# qix_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LOCKS <names...>] [TIMEOUT <s>])
# A GoogleTest program run by ctest under Wine. LOCKS names the fixed Windows objects
# (mutexes, pipes) the test uses, so ctest never runs two tests sharing one at once.
function(qix_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LOCKS" ${ARGN})
  # Freed memory is poisoned in every test program (FreedMemoryPoison.cpp), so that a use after
  # free faults or misreads every time.
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/WatcherThreadEarly.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/FreedMemoryPoison.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  # Every test program waits through tests/support/TestSupport.h.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  # scripts/wine-test runs the program under the toolchain's Wine loader.
  add_test(NAME ${name}
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-test ${CMAKE_CROSSCOMPILING_EMULATOR}
      $<TARGET_FILE:${name}>)
  # Under Wine a program that dies of a stack overflow can still exit with 0: a run passes only
  # when GoogleTest got as far as its summary and reported no failure.
  set_tests_properties(${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  # Programs that install packages import zlib.dll: it lies beside every test program.
  if(TARGET zlibdll)
    qix_copy_zlib_dll(${name})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()
