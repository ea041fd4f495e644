# The Debian package, pelorix_<version>_<arch>.deb, made by CPack from the
# install rules (`make package`, or cpack --config CPackConfig.cmake in the
# build tree). dpkg-shlibdeps derives the dependencies from the programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelorix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Corvath)
set(CPACK_PACKAGE_CONTACT "Corvath <author@pelorix.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fractal picture generator")
set(CPACK_PACKAGE_DESCRIPTION [[
Pelorix paints 27 fractal pictures in one window: Mandelbrot sets, Julia
sets (one of them with a constant you type in), Julia sets of the complex
cosine and sine, ferns, trees, snow stars, clouds and other pictures of the
chaos game, the Sierpinski triangle and the bifurcation diagram of the
quadratic map. Pictures can be copied to the clipboard or saved as BMP, PPM,
TGA or M8 images.

The batch renderer pelorix-render draws the same pictures without the
window, and also writes and converts PNG files.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PELORIX_HOME_PAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
