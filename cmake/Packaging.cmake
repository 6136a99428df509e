# `cpack -G DEB` in a build folder makes a Debian package of the installed files; its library
# dependencies are found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME mienwright)
set(CPACK_PACKAGE_VENDOR "Mienwright")
set(CPACK_PACKAGE_CONTACT "Mienwright developers <mienwright@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for textured 3D heads with morph targets")
set(CPACK_PACKAGE_DESCRIPTION "Mienwright prepares textured 3D head models as animatable avatars: it opens a face, orients and sizes it, marks the neck vertices, creates morph targets by comparing the head with the same head in another expression, and saves the result. mienwright-cli does the same file operations without a display and makes thumbnails for file managers.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Mesa's drivers draw the thumbnails and renders, through X or EGL; the libraries above only
# dispatch to whichever driver is installed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libegl-mesa0")
set(CPACK_STRIP_FILES ON)
include(CPack)
