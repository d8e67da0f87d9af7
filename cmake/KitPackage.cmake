# The Debian package of the kit (`make package`, or `cpack --config build/CPackConfig.cmake -G DEB`):
# everything `cmake --install` puts in place, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KIT_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vexa High-Tech")
set(CPACK_PACKAGE_CONTACT "Vexa maintenance kit team <kit@vexa.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vexa maintenance kit: driver setup front-end and notebook firmware updater")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "drvsetup installs and uninstalls the drivers of the Vexa TV-tuner products from a setup INI, with a\n"
    "window or unattended. fwupdate updates a notebook's BIOS and embedded controller from the payload\n"
    "packed into it by fwpack. Both run over an emulated Windows system kept in a folder (winsys).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps. Qt loads its platform plugin (offscreen or xcb) at run
# time, which no linker record shows, so that package is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Stripping would cut off the payload archive that fwpack appends to fwupdate.
set(CPACK_STRIP_FILES OFF)

include(CPack)
