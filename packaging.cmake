# The Debian package: `cpack -G DEB` in the build folder. Libraries the executable links come
# from dpkg-shlibdeps; what the program loads or starts at run time is named here.
set(CPACK_PACKAGE_NAME morlek)
set(CPACK_PACKAGE_VENDOR "Tovashel")
set(CPACK_PACKAGE_CONTACT "Tovashel <morlek@tovashel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time performances recorded on video")
set(CPACK_PACKAGE_DESCRIPTION
    "Morlek steps through a video frame by frame and records when every element of a performance starts and ends, in a table with durations and running sums. Timings are saved at once and come back when the same video is opened again; the table exports to CSV and copies to the clipboard. A dialog makes deinterlaced copies of camcorder video at twice the frame rate.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tovashel.com/morlek")
set(CPACK_PACKAGE_INSTALL_DIRECTORY morlek)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Phonon's GStreamer back-end decodes through these plugin sets; the deinterlace dialog runs
# ffmpeg and ffprobe; the German interface uses Qt's own catalogues.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "phonon4qt5-backend-gstreamer, gstreamer1.0-libav, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-x, ffmpeg, qttranslations5-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mencoder, xdg-utils")
include(CPack)
