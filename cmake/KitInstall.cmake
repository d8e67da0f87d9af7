# What `cmake --install` puts where.
#
#   bin/                       drvsetup, fwupdate (with the sample payload), fwupdate-unpacked (the base
#                              program fwpack packs), fwpack, winsys
#   lib/vexa-maintenance-kit/  the stand-ins a kit of one's own needs (DPInst.exe, recorder), the sample
#                              kit ready to run (kit/) and the sample payload (payload/: images, flash-tool
#                              stand-ins and support files, AddMem.sys, the nine language libraries)
#   share/man/man1/            the manual pages
#   share/doc/vexa-maintenance-kit/  README, docs/ with the guide and its screenshots
#
# The stand-ins, the sample kit and the payload hold programs and loadable modules, so they live under
# lib/ and not share/; none of them is a command of its own, so none goes to bin/.
include(GNUInstallDirs)

set(KIT_PACKAGE_NAME vexa-maintenance-kit)
set(KIT_INSTALL_PKGLIBDIR lib/${KIT_PACKAGE_NAME})
set(KIT_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KIT_PACKAGE_NAME})

install(TARGETS drvsetup fwupdate_unpacked fwpack winsys RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The packed fwupdate is the output of a custom command, not a linked target.
install(PROGRAMS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/fwupdate DESTINATION ${CMAKE_INSTALL_BINDIR})

install(TARGETS dpinst recorder RUNTIME DESTINATION ${KIT_INSTALL_PKGLIBDIR})

# drvsetup finds its setup INI, driver folders and follow-up programs next to its executable, so the
# sample kit travels whole, with its own copy of drvsetup, exactly as the build assembles it.
install(DIRECTORY ${CMAKE_BINARY_DIR}/kit/ DESTINATION ${KIT_INSTALL_PKGLIBDIR}/kit USE_SOURCE_PERMISSIONS)

# The folder the sample fwupdate was packed from: a start for a payload of one's own.
install(DIRECTORY ${CMAKE_BINARY_DIR}/fwupdate-payload/ DESTINATION ${KIT_INSTALL_PKGLIBDIR}/payload
        USE_SOURCE_PERMISSIONS)

file(GLOB KIT_MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.1)
install(FILES ${KIT_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

file(GLOB KIT_SCREENSHOTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.png)
# The same layout as in the source tree, so the links between README, guide and pictures hold.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${KIT_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/guide.md ${KIT_SCREENSHOTS} DESTINATION ${KIT_INSTALL_DOCDIR}/docs)
