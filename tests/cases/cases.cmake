# The input and expected-report pairs, NAME.in and NAME.expected: in both/ those that both
# programs must report alike, in strict/ and lenient/ those of one program. The native tests and
# the wine tests each run the same list, made here as three lists read in step: the program
# (strict or lenient), the case's name (both/ cases prefixed "both_", so that a name says where
# the files are) and the files' path without the extension.
set(vantrel_case_programs)
set(vantrel_case_names)
set(vantrel_case_files)
foreach(folder both strict lenient)
  file(GLOB inputs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${folder}/*.in)
  set(programs ${folder})
  set(prefix "")
  if(folder STREQUAL "both")
    set(programs strict lenient)
    set(prefix both_)
  endif()
  foreach(input IN LISTS inputs)
    get_filename_component(name ${input} NAME_WLE)
    foreach(program IN LISTS programs)
      list(APPEND vantrel_case_programs ${program})
      list(APPEND vantrel_case_names ${prefix}${name})
      list(APPEND vantrel_case_files ${CMAKE_CURRENT_LIST_DIR}/${folder}/${name})
    endforeach()
  endforeach()
endforeach()
