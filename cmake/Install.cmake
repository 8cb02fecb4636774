# What `cmake --install` puts on a machine, and the Debian package CPack builds from it:
#   bin/                          rptcarry, orbprint, orbdata, rptcarry-demo
#   share/man/man1/               their manual pages (gzipped)
#   share/rptcarry/demo/          the demo installation; rptcarry-demo lays out a working
#                                 copy of it and builds its data files from its CSV files
#   share/doc/rptcarry/           the README, the data tool's README
#   share/doc/rptcarry/examples/  the month-end job: systemd service and timer, cron line
include(GNUInstallDirs)

set(ORB_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/rptcarry)

install(TARGETS rptcarry orbprint orbdata RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/rptcarry-demo
        DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages: roff kept by hand in man/NAME.1.in; the build puts the version in and
# compresses them as Debian wants them.
find_program(ORB_GZIP gzip REQUIRED)
set(ORB_MAN_PAGES rptcarry orbprint orbdata rptcarry-demo)
set(ORB_MAN_OUTPUTS)
foreach(page ${ORB_MAN_PAGES})
  set(roff ${PROJECT_BINARY_DIR}/man/${page}.1)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1.in ${roff} @ONLY)
  add_custom_command(OUTPUT ${roff}.gz
                     COMMAND ${ORB_GZIP} -9 -n -c ${roff} > ${roff}.gz
                     DEPENDS ${roff} VERBATIM)
  list(APPEND ORB_MAN_OUTPUTS ${roff}.gz)
endforeach()
add_custom_target(orb_man_pages ALL DEPENDS ${ORB_MAN_OUTPUTS})
install(FILES ${ORB_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Everything the package holds that is built; the package test builds only this.
add_custom_target(orb_package_contents DEPENDS rptcarry orbprint orbdata orb_man_pages)

# The demo installation as it stands in the tree, without the scripts that made its help
# pages and CSV files; its data files are built where it is laid out (rptcarry-demo).
# Its texts are code page 850, as an installation's are: lintian is told so.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/rptcarry/demo
        USE_SOURCE_PERMISSIONS PATTERN ".keep" EXCLUDE PATTERN "*.py" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME rptcarry)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${ORB_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/tools/orbdata/README.md DESTINATION ${ORB_DOC_DIR}
        RENAME README.orbdata.md)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${ORB_DOC_DIR}/examples)

# The Debian package: `cpack -G DEB` in a build folder (see the README).
set(ORB_PACKAGE_MAINTAINER
    "rptcarry maintainers <maintainers@users.noreply.c-seed-25f99057.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rptcarry)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "carry-over report module of a property-management suite")
# The long description as the control file shows it, one line per line.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "rptcarry prints the carry-over report of a property-management suite: for\n"
  "a closing date and a range of owners it lists, per property, what was\n"
  "collected, what is pending, the expenses, the agent's fees and supplements\n"
  "(with VAT and withholding) and the resulting carry-over, with a subtotal\n"
  "per owner and a grand total. It runs on a text terminal, in Catalan,\n"
  "Spanish, Galician and Aranese, over the suite's keyed record files, from a\n"
  "selection form or from a month-end job.\n"
  "\n"
  "The package also holds the suite's print program orbprint (screen, PDF,\n"
  "text file or printer), the data tool orbdata (creates data files and fills\n"
  "them from CSV files) and a demo installation that rptcarry-demo lays out.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORB_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link are found by dpkg-shlibdeps, not listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The screen preview's pager; the printer device, the paste sources.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "less")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups-client, wl-clipboard | xclip")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT ${ORB_PACKAGE_MAINTAINER})
include(CPack)
