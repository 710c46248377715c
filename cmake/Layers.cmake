# lumenfold_layer(<target> <folder>...)
# Gives <target> an include root that holds only the listed source folders, so
# that `#include "app/Application.h"` from a lower folder fails to compile: the
# build itself keeps the direction app -> scene -> model -> geometry -> support.
# The include root is PUBLIC, so whoever links <target> sees the same folders.
function(lumenfold_layer target)
  set(include_root "${PROJECT_BINARY_DIR}/layers/${target}")
  file(MAKE_DIRECTORY "${include_root}")
  foreach(folder ${ARGN})
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${include_root}/${folder}" SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC "${include_root}")
  lumenfold_warnings(${target})
endfunction()
