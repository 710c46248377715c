# Run by cpack after staging the files: dpkg-shlibdeps, which the DEB generator
# runs in the staging folder, reads debian/shlibs.local before the libraries'
# own dependency files (the generator removes that folder afterwards).
file(COPY "${CPACK_LUMENFOLD_SHLIBS_LOCAL}" DESTINATION "${CPACK_TEMPORARY_DIRECTORY}/debian")
