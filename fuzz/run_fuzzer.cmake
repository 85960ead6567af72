# Runs FUZZER for SECONDS on its own corpus under WORK, seeded with the inputs of the test cases
# in CASES (named after their folder, as cases of both programs share names). The fuzzer's
# progress goes to WORK/NAME/log; its closing figures are shown. A finding fails the run and
# stays in WORK/NAME as crash-*.
file(GLOB_RECURSE seeds RELATIVE "${CASES}" "${CASES}/*.in")
get_filename_component(name "${FUZZER}" NAME)
set(corpus "${WORK}/${name}/corpus")
set(log "${WORK}/${name}/log")
file(MAKE_DIRECTORY "${corpus}")
foreach(seed IN LISTS seeds)
  string(REPLACE "/" "_" seed_name "${seed}")
  file(COPY_FILE "${CASES}/${seed}" "${corpus}/${seed_name}")
endforeach()
message(STATUS "${name}: ${SECONDS} s")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -print_final_stats=1
    -artifact_prefix=${WORK}/${name}/ "${corpus}"
  OUTPUT_FILE "${log}"
  ERROR_FILE "${log}"
  RESULT_VARIABLE result)
execute_process(COMMAND grep -a -E "^stat::|ERROR|SUMMARY|Test unit written" "${log}")
if(NOT result EQUAL 0)
  file(READ "${log}" whole)
  string(LENGTH "${whole}" length)
  if(length GREATER 20000)
    math(EXPR from "${length} - 20000")
    string(SUBSTRING "${whole}" ${from} -1 whole)
  endif()
  message(FATAL_ERROR "${whole}\n${name} found a failing input: see ${WORK}/${name}/")
endif()
