# `cpack -G DEB` in the build folder makes velmora_<version>_amd64.deb from the install rules.
# The Qt libraries come from dpkg-shlibdeps; what the program loads at run time without linking
# it is named here: the GStreamer plugins that decode MP3 (mpg123, in -good) and play sound (the
# PulseAudio/PipeWire sink in -good, plain ALSA in -alsa), and the fonts the window asks for.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "The Velmora developers <velmora@velmora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MP3 tag editor for ID3v1 tags, folder by folder")
set(CPACK_PACKAGE_DESCRIPTION
  "Velmora edits the ID3v1 tags of MP3 files, one folder at a time, and plays
them with a small built-in player. Tick Keep beside the values an album shares
to type them only once, and rename each file from its artist and song name as
you save. velmora-cli lists, sets and renames from the shell by the same rules.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://velmora.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-alsa, fonts-urw-base35, fonts-comic-neue, fonts-dejavu-core")
# Help > Instructions and a double click in the list hand files to the desktop's opener; the
# album lookup checks the server's certificate against the system's authorities.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, ca-certificates")

include(CPack)
