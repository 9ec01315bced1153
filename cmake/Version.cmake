# What the project version turns into: the version in the banners, where the minor number has
# three digits (0.23 prints as 0.023), and the version resource of each Windows program.

# "major.minor[...]" to "major.mmm".
function(vorax_banner_version out version)
  string(REPLACE "." ";" parts "${version}")
  list(GET parts 0 major)
  list(GET parts 1 minor)
  string(LENGTH "${minor}" digits)
  if(digits LESS 3)
    math(EXPR zeros "3 - ${digits}")
    string(REPEAT "0" ${zeros} padding)
    set(minor "${padding}${minor}")
  endif()
  set(${out} "${major}.${minor}" PARENT_SCOPE)
endfunction()

vorax_banner_version(VORAX_BANNER_VERSION "${PROJECT_VERSION}")
vorax_banner_version(VORAX_LEGACY_BANNER_VERSION "${VORAX_LEGACY_VERSION}")

if(WIN32)
  enable_language(RC)
endif()

# "0.23" to "0,23,0,0", the four numbers of a version resource.
function(vorax_resource_numbers out version)
  string(REPLACE "." ";" parts "${version}")
  list(LENGTH parts count)
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  list(SUBLIST parts 0 4 parts)
  string(JOIN "," numbers ${parts})
  set(${out} "${numbers}" PARENT_SCOPE)
endfunction()

# Gives a Windows program its version resource (Explorer's Properties, Details): the program's
# own version as file version, the project version as product version, a description and the
# name. Does nothing on other systems.
function(vorax_version_resource target file_version description)
  if(NOT WIN32)
    return()
  endif()
  vorax_resource_numbers(RC_FILE_NUMBERS "${file_version}")
  vorax_resource_numbers(RC_PRODUCT_NUMBERS "${PROJECT_VERSION}")
  set(RC_FILE_VERSION "${file_version}")
  set(RC_PRODUCT_VERSION "${PROJECT_VERSION}")
  set(RC_DESCRIPTION "${description}")
  set(RC_NAME "${target}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
endfunction()
