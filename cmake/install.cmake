# Installation as a Linux user expects it: one program folder lib/quilmar holding both programs
# and the help text (the editor looks for its files beside itself), links in bin/, a desktop
# entry and the icon in the hicolor theme. CPack turns the same tree into a .deb.
include(GNUInstallDirs)

set(QUILMAR_APP_ID org.quilmar.Quilmar)
set(QUILMAR_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/quilmar)
# Debian's multiarch libdir would put the folder under lib/x86_64-linux-gnu; keep it plain.
set(QUILMAR_PROGRAM_DIR lib/quilmar)

# The help text sits beside the programs in the build tree too, so a built editor finds it.
configure_file(${CMAKE_SOURCE_DIR}/resources/quilmar_help.txt
               ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/quilmar_help.txt COPYONLY)

install(TARGETS quilmar quilmar-batch RUNTIME DESTINATION ${QUILMAR_PROGRAM_DIR})
# quilmar-batch --qt loads its window from beside the program.
install(TARGETS quilmar-batch-window LIBRARY DESTINATION ${QUILMAR_PROGRAM_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/quilmar_help.txt DESTINATION ${QUILMAR_PROGRAM_DIR})

set(link_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${link_dir})
foreach(program quilmar quilmar-batch)
  file(CREATE_LINK ../${QUILMAR_PROGRAM_DIR}/${program} ${link_dir}/${program} SYMBOLIC)
  install(FILES ${link_dir}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/resources/${QUILMAR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/quilmar.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QUILMAR_APP_ID}.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quilmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quilmar developers <quilmar@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small modal plain-text editor")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
