# The Debian package built by scripts/package.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenlit)
set(CPACK_PACKAGE_VENDOR "Quenlit")
set(CPACK_PACKAGE_CONTACT "Quenlit developers <quenlit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Search the web for documents and download them in batches")
set(CPACK_PACKAGE_DESCRIPTION
    "Drives an embedded browser through search result pages, harvests the document links and downloads them with careful naming, duplicate handling and type checks.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The libraries the program links (the browser's helper process included) come from
# dpkg-shlibdeps; beside them it needs a font that shows its Chinese interface.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)
