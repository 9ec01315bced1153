# Warnings-clean with -Wall -Wextra on every compiler we build with.
function(vorax_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VORAX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
