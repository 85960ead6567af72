# vantrel_program(TARGET SOURCES file... [WAY name] [DEFINITIONS def...])
# A program made from one main (strict/vantrel.cpp or lenient/vantrel.cpp) and the layers under
# it: the programs themselves, and their variants, which take one named way through common
# invoice lines (WAY, for the benchmark and the fuzzers) or are renamed and fed in-process
# (DEFINITIONS, for the fuzzers).
function(vantrel_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "WAY" "SOURCES;DEFINITIONS")
  add_executable(${target} ${arg_SOURCES})
  set(wanted vantrel_wanted_way)
  if(arg_WAY)
    vantrel_wanted_way_library(${arg_WAY})
    set(wanted vantrel_wanted_way_${arg_WAY})
  endif()
  target_compile_definitions(${target} PRIVATE ${arg_DEFINITIONS})
  target_link_libraries(${target} PRIVATE vantrel_standard_streams vantrel_tally ${wanted}
    vantrel_program_checks vantrel_warnings)
endfunction()
