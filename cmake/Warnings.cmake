# Off for users' builds, where a newer compiler's new warning must not break
# the build; the project's own scripts (tests, sanitizers, fuzzers) turn it on.
option(LUMENFOLD_WERROR "Treat compiler warnings as errors" OFF)

function(lumenfold_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference)
  if(LUMENFOLD_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
