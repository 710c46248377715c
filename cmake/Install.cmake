# Installation: the viewer, its two symbol models and the demo folder under the
# install prefix, plus the desktop entry, the icon and the man page.
#
# The installed binary is a second executable whose build-time folders are
# relative to its own folder (bin/ -> ../share/lumenfold/...), so the tree can
# be installed under any prefix chosen after the build, and moved.
include(GNUInstallDirs)

set(LUMENFOLD_DATA_DIR "${CMAKE_INSTALL_DATADIR}/lumenfold")

# From the installed binary's folder to an installed data folder, ending with
# '/'; absolute (not relocatable) when the install folders were given absolute.
function(lumenfold_from_bin out data_folder)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${data_folder}")
    cmake_path(ABSOLUTE_PATH data_folder BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE folder)
  else()
    file(RELATIVE_PATH folder "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${data_folder}")
  endif()
  set(${out} "${folder}/" PARENT_SCOPE)
endfunction()

# The repository's demo folder and symbols are installed and found from the
# binary; a folder chosen explicitly by the user is left where it is.
function(lumenfold_installed_folder out configured repository installed)
  if(configured STREQUAL "${repository}/" OR configured STREQUAL "${repository}")
    lumenfold_from_bin(relative "${installed}")
    set(${out} "${relative}" PARENT_SCOPE)
  else()
    set(${out} "${configured}" PARENT_SCOPE)
  endif()
endfunction()
lumenfold_installed_folder(LUMENFOLD_INSTALLED_SCENE_ROOT "${LUMENFOLD_SCENE_ROOT}"
    "${PROJECT_SOURCE_DIR}/demo/FS" "${LUMENFOLD_DATA_DIR}/demo/FS")
lumenfold_installed_folder(LUMENFOLD_INSTALLED_SYMBOL_DIR "${LUMENFOLD_SYMBOL_DIR}"
    "${PROJECT_SOURCE_DIR}/symbols/standard" "${LUMENFOLD_DATA_DIR}/symbols/standard")
set(LUMENFOLD_SHIPS_SCENE_ROOT OFF)
if(NOT LUMENFOLD_INSTALLED_SCENE_ROOT STREQUAL "${LUMENFOLD_SCENE_ROOT}")
  set(LUMENFOLD_SHIPS_SCENE_ROOT ON)
endif()
set(LUMENFOLD_SHIPS_SYMBOLS OFF)
if(NOT LUMENFOLD_INSTALLED_SYMBOL_DIR STREQUAL "${LUMENFOLD_SYMBOL_DIR}")
  set(LUMENFOLD_SHIPS_SYMBOLS ON)
endif()

lumenfold_add_viewer(lumenfold_installed
    "${LUMENFOLD_INSTALLED_SCENE_ROOT}" "${LUMENFOLD_INSTALLED_SYMBOL_DIR}")
set_target_properties(lumenfold_installed PROPERTIES
    OUTPUT_NAME lumenfold
    RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/installed")

install(TARGETS lumenfold_installed RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

if(LUMENFOLD_SHIPS_SYMBOLS)
  install(FILES
      "${PROJECT_SOURCE_DIR}/symbols/standard/folder.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/file.ASE"
      # The explore view's symbols by file type; without them it shows files as file.ASE.
      "${PROJECT_SOURCE_DIR}/symbols/standard/image.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/video.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/audio.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/archive.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/document.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/text.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/executable.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/font.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/package.ASE"
      DESTINATION "${LUMENFOLD_DATA_DIR}/symbols/standard")
endif()

# Every entry of the demo, hidden ones and empty folders included, with the
# source permissions so read-only entries stay read-only.
if(LUMENFOLD_SHIPS_SCENE_ROOT)
  install(DIRECTORY "${PROJECT_SOURCE_DIR}/demo/FS/"
      DESTINATION "${LUMENFOLD_DATA_DIR}/demo/FS"
      USE_SOURCE_PERMISSIONS)
endif()

install(FILES "${PROJECT_SOURCE_DIR}/packaging/lumenfold.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
# The licence, where Debian keeps each package's: in its machine-readable form.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/lumenfold")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lumenfold.svg"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")

# The man page names the folders this build installs to, so it is generated.
foreach(folder SCENE_ROOT SYMBOL_DIR)
  if(IS_ABSOLUTE "${LUMENFOLD_INSTALLED_${folder}}")
    set(LUMENFOLD_MAN_${folder} "${LUMENFOLD_INSTALLED_${folder}}")
  else()
    cmake_path(ABSOLUTE_PATH LUMENFOLD_INSTALLED_${folder} BASE_DIRECTORY "/PREFIX/${CMAKE_INSTALL_BINDIR}"
        NORMALIZE OUTPUT_VARIABLE man_folder)
    string(REPLACE "/PREFIX/" "\\fIprefix\\fP/" LUMENFOLD_MAN_${folder} "${man_folder}")
  endif()
endforeach()
configure_file("${PROJECT_SOURCE_DIR}/packaging/lumenfold.1.in"
    "${PROJECT_BINARY_DIR}/packaging/lumenfold.1" @ONLY)
add_custom_command(
    OUTPUT "${PROJECT_BINARY_DIR}/packaging/lumenfold.1.gz"
    COMMAND gzip -9 -n -k -f "${PROJECT_BINARY_DIR}/packaging/lumenfold.1"
    DEPENDS "${PROJECT_BINARY_DIR}/packaging/lumenfold.1"
    VERBATIM)
add_custom_target(lumenfold_man_page ALL
    DEPENDS "${PROJECT_BINARY_DIR}/packaging/lumenfold.1.gz")
install(FILES "${PROJECT_BINARY_DIR}/packaging/lumenfold.1.gz"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
