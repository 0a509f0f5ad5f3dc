# Reliability checks beyond the unit tests.
#
# conditions_fuzz: the conditions reader under clang's libFuzzer, built when the
# machine's clang++ can link a fuzzer. Only the reader's own sources are
# compiled (and instrumented) by clang; everything else they call comes from the
# plain library, so this is only done in the build without sanitizers (the two
# sanitizer runtimes of the compilers must not meet). The seeded unit test
# ConditionsFuzz runs the same check in every build.
if(NOT MT_SANITIZE)
  find_program(MT_CLANGXX NAMES clang++)
  set(MT_FUZZ_OK FALSE)
  if(MT_CLANGXX)
    set(probe ${CMAKE_BINARY_DIR}/fuzz_probe.cpp)
    file(WRITE ${probe}
         "#include <cstdint>\n#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
    execute_process(COMMAND ${MT_CLANGXX} -fsanitize=fuzzer ${probe} -o ${CMAKE_BINARY_DIR}/fuzz_probe
                    RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
    if(probe_result EQUAL 0)
      set(MT_FUZZ_OK TRUE)
    endif()
  endif()
  if(MT_FUZZ_OK)
    set(fuzz_sources
        ${CMAKE_SOURCE_DIR}/bench/conditions_fuzz.cpp
        ${CMAKE_SOURCE_DIR}/tests/support/conditions_fuzz_check.cpp
        ${CMAKE_SOURCE_DIR}/shell/conditions_file.cpp
        ${CMAKE_SOURCE_DIR}/shell/names.cpp
        ${CMAKE_SOURCE_DIR}/game/signs.cpp
        ${CMAKE_SOURCE_DIR}/game/conditions.cpp)
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/conditions_fuzzer
      COMMAND ${MT_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
              -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR} ${fuzz_sources}
              $<TARGET_FILE:mt_shell> $<TARGET_FILE:mt_engine> $<TARGET_FILE:mt_clock>
              $<TARGET_FILE:mt_game> $<TARGET_FILE:mt_screen> -o ${CMAKE_BINARY_DIR}/conditions_fuzzer
      DEPENDS ${fuzz_sources} mt_shell mt_engine mt_clock mt_game mt_screen
      COMMENT "Building the conditions reader fuzz target with clang++"
      VERBATIM)
    add_custom_target(conditions_fuzz ALL DEPENDS ${CMAKE_BINARY_DIR}/conditions_fuzzer)
    # A fixed seed and a bounded number of inputs: a few seconds in the test run.
    add_test(NAME conditions_fuzz
             COMMAND ${CMAKE_BINARY_DIR}/conditions_fuzzer -seed=1 -runs=300000 -max_len=200)
    set_tests_properties(conditions_fuzz PROPERTIES TIMEOUT 120
                         PASS_REGULAR_EXPRESSION "conditions reader: [0-9]+ inputs")
  endif()
endif()

# keystroke_fuzz: the long run of the end-to-end keystroke fuzzer (not a test).
if(TARGET e2e_tests)
  add_executable(keystroke_fuzz bench/keystroke_fuzz.cpp tests/support/pty_keystroke_fuzz.cpp
                                tests/support/pty_driver.cpp tests/support/game_dir.cpp
                                tests/support/conditions_fuzz_check.cpp)
  target_link_libraries(keystroke_fuzz PRIVATE mtcore PkgConfig::VTERM util)
  target_compile_definitions(keystroke_fuzz PRIVATE MT_BINARY="$<TARGET_FILE:morvandeltrisk>")
  add_dependencies(keystroke_fuzz morvandeltrisk)
endif()
