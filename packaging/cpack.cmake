# The Debian package: `cpack --preset ci` (or `cpack -G DEB` in a build folder) after building.
# The dependencies are those dpkg-shlibdeps finds in the two programs, plus what they load at
# run time without linking it: Qt's platform plugins (the window and the offscreen report
# renderer) and a CJK font for the Chinese interface and reports.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME otdr-viewer)
set(CPACK_PACKAGE_VENDOR "Halvern Photonix")
set(CPACK_PACKAGE_CONTACT "Halvern Photonix <support@halvern-photonix.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VR3728 OTDR trace viewer and analyser (SOR and ZT files)")
# Lines of at most 80 characters, as Debian's tools show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Opens the trace files of the VR3728 optical time-domain reflectometer\n"
    "(Telcordia SOR files and the instrument's own ZT files), shows the\n"
    "backscatter trace, finds and edits the events along the fibre, measures\n"
    "losses between markers, compares two traces and prints a test report. The\n"
    "interface is in Chinese. The command-line tool otdr does the same work\n"
    "without a window, also over many files at once.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(OTDR_BUILD_GUI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
endif()
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.halvern-photonix.example")
include(CPack)
