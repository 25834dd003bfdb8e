# Helpers shared by every folder's CMakeLists.txt.

# tessar_add_test(NAME SOURCES... LIBS libs... [LABELS labels...])
# One test executable, registered with CTest under its name. Tests run with the offscreen
# Qt platform and a private configuration folder, so nothing reaches a real user's settings.
function(tessar_add_test name)
  if(NOT TESSAR_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set(labels unit ${T_LABELS})
  set_tests_properties(${name} PROPERTIES
    LABELS "${labels}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config;TESSAR_TEST_OUTPUT=${CMAKE_BINARY_DIR}/test-output;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    TIMEOUT 600)
endfunction()

# tessar_add_fuzzer(NAME SOURCES... LIBS libs... CORPUS dir)
# A libFuzzer target (clang builds with TESSAR_FUZZ only), with a short smoke run registered
# under the label "fuzz" over its checked-in corpus.
function(tessar_add_fuzzer name)
  if(NOT TESSAR_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES} ${F_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(run_dir ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  if(NOT DEFINED TESSAR_FUZZ_SECONDS)
    set(TESSAR_FUZZ_SECONDS 20)
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env "ASAN_OPTIONS=detect_leaks=1" "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
      sh -c "mkdir -p '${run_dir}' && exec $<TARGET_FILE:${name}> -max_total_time=${TESSAR_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 '${run_dir}' '${F_CORPUS}'")
  set_tests_properties(${name} PROPERTIES LABELS "fuzz" TIMEOUT 300)
endfunction()
