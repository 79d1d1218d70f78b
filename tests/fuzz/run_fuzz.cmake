# Builds one fuzzer (CLANGXX, SOURCE_DIR, NAME, SOURCES: paths below SOURCE_DIR separated by
# '|') with libFuzzer in WORK_DIR and runs it for SECONDS.
if(NOT EXISTS "${CLANGXX}")
  message(FATAL_ERROR "clang++ not found: install the Debian packages clang and libclang-rt-14-dev")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}/corpus")
string(REPLACE "|" ";" source_list "${SOURCES}")
list(TRANSFORM source_list PREPEND "${SOURCE_DIR}/")
execute_process(COMMAND "${CLANGXX}" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
                        -fno-sanitize-recover=undefined -I "${SOURCE_DIR}" ${source_list}
                        -o "${WORK_DIR}/${NAME}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${WORK_DIR}/${NAME}" -max_total_time=${SECONDS} -max_len=8192
                        "${WORK_DIR}/corpus" COMMAND_ERROR_IS_FATAL ANY)
