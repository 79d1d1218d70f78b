# Builds the parser fuzzer (CLANGXX, SOURCE_DIR, WORK_DIR) with libFuzzer and runs it for SECONDS.
if(NOT EXISTS "${CLANGXX}")
  message(FATAL_ERROR "clang++ not found: install the Debian packages clang and libclang-rt-14-dev")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}/corpus")
execute_process(COMMAND "${CLANGXX}" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
                        -fno-sanitize-recover=undefined -I "${SOURCE_DIR}" "${SOURCE_DIR}/tests/fuzz/parser_fuzz.cpp"
                        "${SOURCE_DIR}/serial/frameparser.cpp" "${SOURCE_DIR}/serial/bytering.cpp"
                        -o "${WORK_DIR}/parser_fuzz"
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${WORK_DIR}/parser_fuzz" -max_total_time=${SECONDS} -max_len=8192 "${WORK_DIR}/corpus"
                COMMAND_ERROR_IS_FATAL ANY)
