# Runs PROGRAM (a Windows .exe) under WINE (the wine loader that starts it) with INPUT as standard
# input. Its output must start with the report in EXPECTED, each line ended by CR LF; what follows
# may only be the command interpreter's own pause text. Compared as bytes (hexadecimal), as
# CMake's own reading of process output would fold the CR LF away.
# Both programs have cases of the same name, and cases run in parallel: the output file is
# named after the program and the case.
get_filename_component(program_name ${PROGRAM} NAME_WE)
get_filename_component(name ${INPUT} NAME_WE)
set(output_file ${CMAKE_CURRENT_BINARY_DIR}/${program_name}-${name}.out)
# The shell hands the files over as they are: standard input is the case's file itself.
execute_process(
  COMMAND sh -c "exec \"$0\" \"$1\" < \"$2\" > \"$3\"" ${WINE} ${PROGRAM} ${INPUT} ${output_file}
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}\n${errors}")
endif()
file(READ ${output_file} output HEX)
file(READ ${EXPECTED} expected HEX)
# A byte boundary may split "0a" across two bytes (x0 ax): only even offsets count.
string(LENGTH "${expected}" length)
set(expected_crlf "")
math(EXPR last "${length} - 2")
foreach(at RANGE 0 ${last} 2)
  string(SUBSTRING "${expected}" ${at} 2 byte)
  if(byte STREQUAL "0a")
    string(APPEND expected_crlf "0d0a")
  else()
    string(APPEND expected_crlf "${byte}")
  endif()
endforeach()
string(LENGTH "${expected_crlf}" report_length)
string(LENGTH "${output}" output_length)
if(output_length LESS report_length)
  set(report "${output}")
  set(rest "")
else()
  string(SUBSTRING "${output}" 0 ${report_length} report)
  string(SUBSTRING "${output}" ${report_length} -1 rest)
endif()
if(NOT report STREQUAL expected_crlf)
  file(READ ${output_file} shown)
  message(FATAL_ERROR "report (hex ${report}):\n${shown}\nexpected (hex ${expected_crlf})")
endif()
# "Press any key to continue" and what may end the line after it.
string(HEX "Press any key to continue" pause_text)
if(NOT rest STREQUAL "" AND NOT rest MATCHES "^${pause_text}")
  message(FATAL_ERROR "unexpected text after the report (hex ${rest})")
endif()
