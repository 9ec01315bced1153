# The layering check: the product folders depend one way. A file may include headers of its own
# folder and of the folders before it in this order, never of a folder after it or beside it;
# the two programs' folders stand side by side on top, and neither includes the other.
#
#   cmake -P cmake/check_layers.cmake        (from the repository root; .ci/run runs it)
#
# Fails naming the file and line of every include that points up or across.
cmake_minimum_required(VERSION 3.25)

# The order, lowest first. Folders on one line (separated by "|") stand side by side.
set(layers
  "platform"
  "util"
  "console"
  "archive"
  "pack"
  "driver"
  "vorax|legacy")

get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# rank_<folder>: the position of a folder in the order.
set(rank 0)
set(known "")
foreach(layer IN LISTS layers)
  string(REPLACE "|" ";" folders "${layer}")
  foreach(folder IN LISTS folders)
    set(rank_${folder} ${rank})
    list(APPEND known ${folder})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

set(faults 0)
set(checked 0)
foreach(folder IN LISTS known)
  file(GLOB sources "${root}/${folder}/*.h" "${root}/${folder}/*.cpp" "${root}/${folder}/*.rc.in")
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    # One list item per line: the characters that a CMake list treats specially go first.
    file(READ "${source}" content)
    string(REGEX REPLACE "[][;\\]" "_" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(number 0)
    foreach(line IN LISTS lines)
      math(EXPR number "${number} + 1")
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^/\"]+)/[^\"]+\"")
        continue()
      endif()
      set(target "${CMAKE_MATCH_1}")
      if(target STREQUAL folder OR NOT DEFINED rank_${target})
        continue()
      endif()
      if(NOT rank_${target} LESS rank_${folder})
        file(RELATIVE_PATH shown "${root}" "${source}")
        message(NOTICE "${shown}:${number}: ${folder}/ may not include ${target}/: ${line}")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "layering: ${faults} include(s) point up or across the order")
endif()
message(STATUS "layering: ${checked} files, every include points down the order")
