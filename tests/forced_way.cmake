# cmake -DEMULATOR=... -DPROGRAM=... -DCASE=... -P forced_way.cmake: runs PROGRAM, a build forced
# to the AVX2 way, under EMULATOR as a processor without AVX2 (Nehalem: SSE2 at most) on CASE.in.
# It must give CASE.expected and say once, on standard error, that it takes the SSE2 way.
execute_process(COMMAND ${EMULATOR} -cpu Nehalem ${PROGRAM}
  INPUT_FILE ${CASE}.in OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE status)
file(READ ${CASE}.expected expected)
# The emulator's own warnings, if any, are not the program's.
string(REGEX REPLACE "(^|\n)qemu-[^\n]*" "" said "${errors}")
string(STRIP "${said}" said)
set(line "vantrel: this build asks for the avx2 way, which this processor cannot run; it takes the sse2 way")
if(NOT status EQUAL 0 OR NOT report STREQUAL expected OR NOT said STREQUAL line)
  message(FATAL_ERROR "status ${status}\nreport:\n${report}\nstandard error:\n${errors}\n"
    "expected the report:\n${expected}\nand on standard error only:\n${line}")
endif()
