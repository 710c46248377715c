# A Debian package of the install rules (cmake/Install.cmake), made by `cpack`
# in the build folder. The installed binary finds its data from its own
# folder, so the package installs under /usr whatever prefix was configured.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "lumenfold")
set(CPACK_PACKAGE_VENDOR "Lumenfold maintainers")
set(CPACK_PACKAGE_CONTACT "Lumenfold maintainers <maintainers@lumenfold.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lumenfold scans a folder tree once at start-up and shows the entries of its top\n"
    "folder as lit 3D symbols standing in a row, which the user walks past in first\n"
    "person with the arrow keys. It ships a small demo folder and the two symbol models.")

set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Dependencies are the shared libraries the binary links, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Except SDL 1.2: either the classic library or sdl12-compat's drop-in
# replacement serves, so packaging/shlibs.local names both.
set(CPACK_LUMENFOLD_SHLIBS_LOCAL "${PROJECT_SOURCE_DIR}/packaging/shlibs.local")
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/ShlibsOverride.cmake")
# Text needs a font: fontconfig finds the default sans-serif, which on Debian
# is DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
# A software renderer is enough when no GPU driver is installed; the explore
# view's "open" key starts xdg-open, and says so when it is missing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, xdg-utils")
set(CPACK_STRIP_FILES ON)

include(CPack)
