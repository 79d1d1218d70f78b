# Builds the parser fuzzer with clang and libFuzzer and runs it for a bounded time.
# Variables: CLANGXX, SOURCE_DIR, WORK_DIR, SECONDS.
if(NOT CLANGXX OR NOT EXISTS "${CLANGXX}")
  message(FATAL_ERROR "clang++ not found: install the Debian packages clang and libclang-rt-14-dev")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}/corpus")
set(binary "${WORK_DIR}/parser_fuzz")
execute_process(
  COMMAND "${CLANGXX}" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
          -fno-sanitize-recover=undefined -I "${SOURCE_DIR}"
          "${SOURCE_DIR}/tests/fuzz/parser_fuzz.cpp"
          "${SOURCE_DIR}/serial/frameparser.cpp"
          "${SOURCE_DIR}/serial/bytering.cpp"
          -o "${binary}"
  RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building the fuzzer failed (needs clang and libclang-rt-14-dev)")
endif()
execute_process(COMMAND "${binary}" -max_total_time=${SECONDS} -max_len=8192
                        -print_final_stats=1 "${WORK_DIR}/corpus"
                RESULT_VARIABLE ran)
if(NOT ran EQUAL 0)
  message(FATAL_ERROR "the parser fuzzer found a failure (see the output above)")
endif()
