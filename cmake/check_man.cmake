# Formats manual pages with groff's man macros and every warning on; any warning fails.
#
#   cmake -DGROFF=<groff> -DPAGES=<page;page...> -P check_man.cmake
cmake_minimum_required(VERSION 3.25)
foreach(page IN LISTS PAGES)
  if(NOT EXISTS "${page}")
    message(FATAL_ERROR "manual page not found: ${page}")
  endif()
  execute_process(COMMAND "${GROFF}" -man -ww -z "${page}"
                  RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${page}: groff -man -ww reports:\n${warnings}")
  endif()
  message(STATUS "${page}: clean")
endforeach()
