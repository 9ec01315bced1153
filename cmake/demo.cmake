# The demo: packs the sample folder into a vehicle archive and a scenery archive, extracts both
# again and lists what came back, showing each command line with the program's console output
# and its final notice.
#
#   cmake -DVORAX=<program> -DSAMPLES=<sample folder> -DWORK=<scratch folder> -P demo.cmake
#
# WORK is removed and made anew on every run.

foreach(required VORAX SAMPLES WORK)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "demo.cmake needs -D${required}=...")
  endif()
endforeach()
if(NOT EXISTS "${SAMPLES}")
  message(FATAL_ERROR "sample folder not found: ${SAMPLES}")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}" "${WORK}/out")

# Runs the program with the given arguments and shows the command line, the console output and
# the notice (the program writes its final message on standard error). vorax answers exit
# status 0 when the command did its work, 1 when it refused to start and 2 when it failed; the
# demo stops at anything but 0.
function(demo_run)
  string(JOIN " " command_line vorax ${ARGN})
  message("")
  message("==> ${command_line}")
  execute_process(COMMAND "${VORAX}" ${ARGN}
                  OUTPUT_VARIABLE console
                  ERROR_VARIABLE notice
                  RESULT_VARIABLE status)
  string(REGEX REPLACE "\n$" "" console "${console}")
  string(REGEX REPLACE "\n$" "" notice "${notice}")
  message("${console}")
  message("")
  message("${notice}")
  if(NOT status STREQUAL "0")
    message(FATAL_ERROR "vorax ended with exit status ${status}")
  endif()
endfunction()

# Lists the files of a folder with their sizes, right-aligned.
function(demo_list folder)
  file(GLOB names RELATIVE "${folder}" "${folder}/*")
  list(SORT names)
  set(count 0)
  foreach(name IN LISTS names)
    if(IS_DIRECTORY "${folder}/${name}")
      continue()
    endif()
    file(SIZE "${folder}/${name}" size)
    string(LENGTH "${size}" width)
    set(pad "")
    if(width LESS 8)
      math(EXPR blanks "8 - ${width}")
      string(REPEAT " " ${blanks} pad)
    endif()
    message("${pad}${size}  ${name}")
    math(EXPR count "${count} + 1")
  endforeach()
  if(count EQUAL 0)
    message(FATAL_ERROR "nothing in ${folder}")
  endif()
endfunction()

demo_run(V2 "${SAMPLES}" "${WORK}/train")
demo_run(S2 "${SAMPLES}" "${WORK}/scenery")
demo_run(X "${WORK}/out" "${WORK}/train.fz2")
demo_run(X "${WORK}/out" "${WORK}/scenery.gz2")

message("")
message("==> archives in ${WORK}")
demo_list("${WORK}")
message("")
message("==> extracted files in ${WORK}/out (scenery names come back in their fixed form)")
demo_list("${WORK}/out")
