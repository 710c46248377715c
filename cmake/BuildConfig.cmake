# lumenfold_build_config(<name> <scene root> <symbol dir>)
# Makes an object library <name> that defines kSceneRoot and kSymbolDir.
# The viewer links one with the cache variables; test builds link their own,
# so a test can run the real program on folders it prepares itself.
function(lumenfold_build_config name scene_root symbol_dir)
  # PATH cache entries lose their trailing '/', but names are appended directly.
  if(NOT scene_root MATCHES "/$")
    string(APPEND scene_root "/")
  endif()
  if(NOT symbol_dir MATCHES "/$")
    string(APPEND symbol_dir "/")
  endif()
  # Names are appended to both folders directly, so each must end with '/'.
  foreach(folder scene_root symbol_dir)
    if(NOT IS_ABSOLUTE "${${folder}}")
      message(FATAL_ERROR "${name}: the folder '${${folder}}' must be an absolute path")
    endif()
    if(NOT "${${folder}}" MATCHES "/$")
      set(${folder} "${${folder}}/")
    endif()
  endforeach()
  set(LF_SCENE_ROOT "${scene_root}")
  set(LF_SYMBOL_DIR "${symbol_dir}")
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp")
  configure_file("${PROJECT_SOURCE_DIR}/app/BuildConfig.cpp.in" "${generated}" @ONLY)
  add_library(${name} OBJECT "${generated}")
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
endfunction()
