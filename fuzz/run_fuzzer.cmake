# Runs FUZZER for SECONDS on its own corpus under WORK, seeded with the inputs of the test cases
# in CASES (named after their folder, as cases of both programs share names); fails on a
# finding, which stays in WORK as crash-*.
file(GLOB_RECURSE seeds RELATIVE "${CASES}" "${CASES}/*.in")
get_filename_component(name "${FUZZER}" NAME)
set(corpus "${WORK}/${name}/corpus")
file(MAKE_DIRECTORY "${corpus}")
foreach(seed IN LISTS seeds)
  string(REPLACE "/" "_" seed_name "${seed}")
  file(COPY_FILE "${CASES}/${seed}" "${corpus}/${seed_name}")
endforeach()
message(STATUS "${name}: ${SECONDS} s")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -print_final_stats=1
    -artifact_prefix=${WORK}/${name}/ "${corpus}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${name} found a failing input: see ${WORK}/${name}/")
endif()
