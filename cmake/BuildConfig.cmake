# lumenfold_build_config(<name> <scene root> <symbol dir>)
# Makes an object library <name> that defines kSceneRoot and kSymbolDir.
# The viewer links one with the cache variables; test builds link their own,
# so a test can run the real program on folders it prepares itself. A relative
# folder is taken from the folder of the executable at run time (the installed
# copy's, so that it finds its data under any prefix).
function(lumenfold_build_config name scene_root symbol_dir)
  # Names are appended to both folders directly, so each must end with '/'
  # (PATH cache entries lose it).
  foreach(folder scene_root symbol_dir)
    if("${${folder}}" STREQUAL "")
      message(FATAL_ERROR "${name}: a build-time folder is empty")
    endif()
    if(NOT "${${folder}}" MATCHES "/$")
      set(${folder} "${${folder}}/")
    endif()
  endforeach()
  set(LF_SCENE_ROOT "${scene_root}")
  set(LF_SYMBOL_DIR "${symbol_dir}")
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/BuildConfig.cpp.in" "${generated}" @ONLY)
  add_library(${name} OBJECT "${generated}")
endfunction()

# lumenfold_add_viewer(<target> <scene root> <symbol dir>)
# The viewer program (the one main, the same libraries) built to read the
# given folders. The real viewer, its installed copy and the end-to-end
# tests' copy differ only in these.
function(lumenfold_add_viewer target scene_root symbol_dir)
  lumenfold_build_config(${target}_config "${scene_root}" "${symbol_dir}")
  add_executable(${target} "${PROJECT_SOURCE_DIR}/app/main.cpp" $<TARGET_OBJECTS:${target}_config>)
  target_link_libraries(${target} PRIVATE lumenfold_app_gl)
  target_compile_definitions(${target} PRIVATE LUMENFOLD_VERSION="${PROJECT_VERSION}")
  lumenfold_warnings(${target})
endfunction()
