# The Debian package, written by cpack's DEB generator from the install rules
# (scripts/package for a release; tests/package from the tree under test).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@users.noreply.github.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/velmora/velmora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "paste photos into the open spreadsheet, fitted to a cell")
# The Debian layout: the first line is the synopsis above, a blank line becomes " .".
set(CPACK_PACKAGE_DESCRIPTION [[
Velmora (写真貼り付けツール, a photo pasting tool) puts JPEG photos into the
workbook open in LibreOffice Calc and sizes and places each photo against a
cell: by a width in centimetres or as a share of the cell, centred in merged
cells, nudged by fine offsets. Drop one photo on a drop target, or paste a
whole folder down one column, three photos a page. It is made for photo
ledgers (写真台帳) and inspection reports; its interface is Japanese.

velmora-restore brings back the settings exported from the settings window;
the file manager opens exported settings files with it.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories the install creates get the usual 0755 whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries from dpkg-shlibdeps; Calc and the CJK face the windows are laid out for by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libreoffice-calc, fonts-noto-cjk")

include(CPack)
