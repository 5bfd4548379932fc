# The Debian package (cpack -G DEB, or ./build.sh package): build/lumavell2_<version>_<arch>.deb.
# It installs under /usr with the machine settings in /etc, and depends on the shared libraries
# the program links, as dpkg-shlibdeps finds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumavell2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "${LUMAVELL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo organiser: albums, notes, slideshows and sharing")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The install step sees the real prefix (/usr) and a staging DESTDIR, so the machine settings
# name the installed data folder and land in /etc.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 1)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LUMAVELL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Scanners and cameras go through SANE's tools; xdg-utils opens documents and web pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sane-utils, libsane1, xdg-utils")
# Photos in TIFF, WebP and other formats beyond JPEG, BMP and PNG are read through Qt's plugins.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-image-formats-plugins")
# CPack puts the summary first and indents the text; an empty line separates paragraphs.
set(CPACK_PACKAGE_DESCRIPTION "Lumavell2 files photos into named albums; the photo files stay where they are
on disk. Each photo gets a title, a photographer and notes. Albums are browsed
as thumbnails, and a photo is viewed with zoom, in full screen or as a
slideshow.

Photos are imported from folders, scanners and cameras. The catalog can be
searched; photos can be printed, copied or set as the desktop wallpaper. An
album is shared as one package file (.xal), which Lumavell2 turns back into an
album on the receiving computer.")
# The machine settings are a configuration file the administrator may edit; the maintainer
# scripts clear what the program may have left in its data folder.
set(_lumavell_control ${CMAKE_BINARY_DIR}/debian-control)
file(WRITE ${_lumavell_control}/conffiles "/etc/lumavell2/machine.conf\n")
configure_file(${CMAKE_SOURCE_DIR}/data/desktop/postrm ${_lumavell_control}/postrm COPYONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_lumavell_control}/conffiles ${_lumavell_control}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
