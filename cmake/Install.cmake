# Installation: the viewer, its two symbol models and the demo folder under the
# install prefix, plus the desktop entry, the icon and the man page.
#
# The viewer reads its folders from constants fixed at build time, so the
# installed binary is a second executable whose constants point at the installed
# copies. The install prefix is therefore chosen when configuring; installing
# somewhere else later would leave the binary looking in the old place.
include(GNUInstallDirs)

set(LUMENFOLD_DATA_DIR "${CMAKE_INSTALL_DATADIR}/lumenfold")

# The repository's demo folder and symbols are installed and used from there;
# a folder chosen explicitly by the user is left where it is.
function(lumenfold_installed_folder out configured repository installed)
  if(configured STREQUAL "${repository}/" OR configured STREQUAL "${repository}")
    set(${out} "${installed}/" PARENT_SCOPE)
  else()
    set(${out} "${configured}" PARENT_SCOPE)
  endif()
endfunction()
lumenfold_installed_folder(LUMENFOLD_INSTALLED_SCENE_ROOT "${LUMENFOLD_SCENE_ROOT}"
    "${PROJECT_SOURCE_DIR}/demo/FS" "${CMAKE_INSTALL_FULL_DATADIR}/lumenfold/demo/FS")
lumenfold_installed_folder(LUMENFOLD_INSTALLED_SYMBOL_DIR "${LUMENFOLD_SYMBOL_DIR}"
    "${PROJECT_SOURCE_DIR}/symbols/standard" "${CMAKE_INSTALL_FULL_DATADIR}/lumenfold/symbols/standard")

# Catch `cmake --install --prefix X` with an X other than the configured one.
install(CODE "
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL \"${CMAKE_INSTALL_PREFIX}\")
    message(WARNING \"lumenfold was configured for the prefix ${CMAKE_INSTALL_PREFIX}: the binary \"
                    \"installed under \${CMAKE_INSTALL_PREFIX} still reads ${LUMENFOLD_INSTALLED_SYMBOL_DIR} \"
                    \"and ${LUMENFOLD_INSTALLED_SCENE_ROOT}. Reconfigure with \"
                    \"-DCMAKE_INSTALL_PREFIX=\${CMAKE_INSTALL_PREFIX} to install elsewhere.\")
  endif()")

lumenfold_add_viewer(lumenfold_installed
    "${LUMENFOLD_INSTALLED_SCENE_ROOT}" "${LUMENFOLD_INSTALLED_SYMBOL_DIR}")
set_target_properties(lumenfold_installed PROPERTIES
    OUTPUT_NAME lumenfold
    RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/installed")

install(TARGETS lumenfold_installed RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

if(LUMENFOLD_INSTALLED_SYMBOL_DIR STREQUAL "${CMAKE_INSTALL_FULL_DATADIR}/lumenfold/symbols/standard/")
  install(FILES
      "${PROJECT_SOURCE_DIR}/symbols/standard/folder.ASE"
      "${PROJECT_SOURCE_DIR}/symbols/standard/file.ASE"
      DESTINATION "${LUMENFOLD_DATA_DIR}/symbols/standard")
endif()

# Every entry of the demo, hidden ones and empty folders included, with the
# source permissions so read-only entries stay read-only.
if(LUMENFOLD_INSTALLED_SCENE_ROOT STREQUAL "${CMAKE_INSTALL_FULL_DATADIR}/lumenfold/demo/FS/")
  install(DIRECTORY "${PROJECT_SOURCE_DIR}/demo/FS/"
      DESTINATION "${LUMENFOLD_DATA_DIR}/demo/FS"
      USE_SOURCE_PERMISSIONS)
endif()

install(FILES "${PROJECT_SOURCE_DIR}/packaging/lumenfold.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lumenfold.svg"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")

# The man page names the folders this build installs to, so it is generated.
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
