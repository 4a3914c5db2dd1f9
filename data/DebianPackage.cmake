# `make package`: a Debian package of everything the install rules put in place, under /usr.
# Its library dependencies are read from the program by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnme)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Tarn MP3 Encoder developers <tarn@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encode PCM WAV files into MP3 files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tarn MP3 Encoder turns uncompressed PCM WAV files into MP3 files with the
LAME encoder. In its one window it takes a list of up to 99 WAV files
(44.1 or 48 kHz, 8 or 16 bits), the bit rate, mono or stereo, a quality
preset and the MPEG header flags, and encodes every file into an MP3 file
beside it, with progress bars and estimated times. Its title, artist,
album and other tags, covers included, are carried over into the MP3 file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tarn.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop's opener, through which the contact links reach the mail program and the browser;
# Qt's Wayland plugin, without which a Wayland session runs the window through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
include(CPack)
