# Checks that a Windows program carries its version resource: the names and values of the
# version strings, which the resource holds in UTF-16.
#
#   cmake -DPROGRAM=<file.exe> -DFILE_VERSION=<v> -DPRODUCT_VERSION=<v> -P check_version_resource.cmake
cmake_minimum_required(VERSION 3.25)
# Only the texts looked for: other bytes of the program may hold "[", which would join list
# elements.
file(STRINGS "${PROGRAM}" texts ENCODING UTF-16LE LENGTH_MINIMUM 1
     REGEX "^(FileVersion|ProductVersion|ProductName|FileDescription|OriginalFilename|vorax|[0-9.]+)$")
set(expected
    FileVersion "${FILE_VERSION}" ProductVersion "${PRODUCT_VERSION}"
    ProductName vorax FileDescription OriginalFilename)
foreach(text IN LISTS expected)
  if(NOT text IN_LIST texts)
    message(FATAL_ERROR "${PROGRAM}: no \"${text}\" in its version resource")
  endif()
endforeach()
# Each name is followed by its value.
foreach(pair "FileVersion;${FILE_VERSION}" "ProductVersion;${PRODUCT_VERSION}")
  list(GET pair 0 name)
  list(GET pair 1 value)
  list(FIND texts "${name}" at)
  math(EXPR at "${at} + 1")
  list(GET texts ${at} found)
  if(NOT found STREQUAL value)
    message(FATAL_ERROR "${PROGRAM}: ${name} is \"${found}\", not \"${value}\"")
  endif()
endforeach()
message(STATUS "${PROGRAM}: version ${FILE_VERSION}, product version ${PRODUCT_VERSION}")
