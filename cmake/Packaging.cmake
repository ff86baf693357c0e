# The Debian package: `cpack -G DEB` in the build folder makes kerrowvantis_<version>_amd64.deb.
#
# The program keeps its own folder, /usr/lib/kerrowvantis, as it does anywhere else: the
# executable, the report tool, the barcode library it loads by file name and template/ side by
# side. /usr/bin holds links to the two programs.

include(GNUInstallDirs)
set(programFolder ${CMAKE_INSTALL_LIBDIR}/kerrowvantis)
if(CMAKE_INSTALL_LIBDIR MATCHES "^lib/")
    set(programFolder lib/kerrowvantis) # not the multiarch folder: this is a program's, not a library's
endif()

install(TARGETS Kerrowvantis kerrowvantis-report RUNTIME DESTINATION ${programFolder})
# Tells the program that its folder is a package's, not a user's: settings and reports then go
# to each user's own folders, whoever could write into this one.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/Kerrowvantis.installed
    "Installed from a package: each user's settings are in ~/.config/Kerrowvantis/.\n")
install(FILES ${CMAKE_BINARY_DIR}/packaging/Kerrowvantis.installed DESTINATION ${programFolder})
install(TARGETS Barcodedll LIBRARY DESTINATION ${programFolder} RUNTIME DESTINATION ${programFolder})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/template/ DESTINATION ${programFolder}/template)

if(UNIX AND NOT APPLE)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/links)
    foreach(program Kerrowvantis kerrowvantis-report)
        string(TOLOWER ${program} link)
        file(CREATE_LINK ../${programFolder}/${program} ${CMAKE_BINARY_DIR}/links/${link} SYMBOLIC)
        install(FILES ${CMAKE_BINARY_DIR}/links/${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
    endforeach()

    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kerrowvantis.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size 16 22 24 32 48 64 128 256)
        install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/kerrowvantis.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    # "宋体" on screen and on the printed forms is the Ming face of fonts-arphic-uming: the
    # alias in conf.avail, switched on by a link in /etc/fonts/conf.d, as font packages do.
    set(alias 65-kerrowvantis-songti.conf)
    install(FILES ${PROJECT_SOURCE_DIR}/scripts/fontconfig/${alias} DESTINATION ${CMAKE_INSTALL_DATADIR}/fontconfig/conf.avail)
    file(CREATE_LINK ../../../usr/share/fontconfig/conf.avail/${alias} ${CMAKE_BINARY_DIR}/links/${alias} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/links/${alias} DESTINATION /etc/fonts/conf.d)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kerrowvantis)
endif()

set(CPACK_PACKAGE_NAME kerrowvantis)
set(CPACK_PACKAGE_VENDOR "Kerrowvantis")
set(CPACK_PACKAGE_CONTACT "Kerrowvantis developers <dev@kerrowvantis.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "declaration helper for a motor-vehicle dealer's sales invoices")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Reads the dealer's invoicing database over ODBC, collects the buyer's declaration details,\n"
    "prints the purchase-tax declaration form with its PDF417 barcode or uploads each invoice\n"
    "to the tax authority's server, and writes the monthly reports.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kerrowvantis.invalid/")
# The libraries the programs link, found by dpkg-shlibdeps; then what is loaded at run time,
# which no linker sees: Qt's ODBC and SQLite drivers, its platform plugins, its Chinese
# translations for its own dialogs, the fonts, and the authorities libcurl trusts for the tax server.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-odbc, libqt6sql6-sqlite, qt6-qpa-plugins, qt6-translations-l10n, unixodbc, fontconfig, fonts-arphic-uming, ca-certificates")
# SQLite through ODBC is the data source of a demonstration; PostgreSQL's driver serves a server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqliteodbc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, cups")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
