# Installation as a Linux user expects it: one program folder lib/quilmar holding both programs
# and the help text (the editor looks for its files beside itself), links in bin/, a desktop
# entry, the icon in the hicolor theme, the AppStream metadata that software centres read, the
# manual pages, and the copyright and changelog Debian asks for. CPack turns the same tree into
# a .deb.
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

install(FILES ${CMAKE_SOURCE_DIR}/resources/${QUILMAR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual pages are written from the texts the programs already carry: quilmar(1) from the
# Help window's text, quilmar-batch(1) from docs/batch.md (tools/man_page.awk), dated by the
# newest release in the AppStream metadata. Compressed as Debian ships them, with the changelog.
set(metainfo ${CMAKE_SOURCE_DIR}/resources/${QUILMAR_APP_ID}.metainfo.xml)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${metainfo})
file(READ ${metainfo} metainfo_text)
string(REGEX MATCH "<release version=\"[^\"]*\" date=\"([^\"]*)\"" release "${metainfo_text}")
set(release_date ${CMAKE_MATCH_1})
if(NOT release_date)
  message(FATAL_ERROR "${metainfo} names no release with a date")
endif()
set(doc_dir ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${doc_dir})
set(doc_files)
foreach(page quilmar:help:resources/quilmar_help.txt quilmar-batch:markdown:docs/batch.md)
  string(REPLACE ":" ";" page ${page})
  list(GET page 0 name)
  list(GET page 1 format)
  list(GET page 2 source)
  set(template ${CMAKE_SOURCE_DIR}/resources/man/${name}.1.in)
  add_custom_command(OUTPUT ${doc_dir}/${name}.1.gz
    COMMAND sh -c "awk -v format=$0 -v template=$1 -v date=$2 -v version=$3 -f $4 $5 >$6 && gzip -9n -c $6 >$6.gz"
            ${format} ${template} ${release_date} ${PROJECT_VERSION} ${CMAKE_SOURCE_DIR}/tools/man_page.awk
            ${CMAKE_SOURCE_DIR}/${source} ${doc_dir}/${name}.1
    DEPENDS ${template} ${CMAKE_SOURCE_DIR}/tools/man_page.awk ${CMAKE_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND doc_files ${doc_dir}/${name}.1.gz)
endforeach()
add_custom_command(OUTPUT ${doc_dir}/changelog.gz
  COMMAND sh -c "gzip -9n -c $0 >$1" ${CMAKE_SOURCE_DIR}/resources/debian/changelog ${doc_dir}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/debian/changelog VERBATIM)
add_custom_target(quilmar-doc ALL DEPENDS ${doc_files} ${doc_dir}/changelog.gz)
install(FILES ${doc_dir}/quilmar.1.gz ${doc_dir}/quilmar-batch.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${doc_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# What `scripts/dev start` builds: the programs and the files installed with them, no tests.
add_custom_target(editor)
add_dependencies(editor quilmar quilmar-batch quilmar-batch-window quilmar-doc)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quilmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quilmar developers <quilmar@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small modal plain-text editor")
set(CPACK_PACKAGE_DESCRIPTION [[
Quilmar is a small modal editor for plain text on the desktop. In Command
mode single keys are commands (x, y, p, dd, n); in Insert mode keys type. A
command box beneath the document writes and quits, goes to a line, searches
and substitutes in a range of lines.

Files are written back in their own encoding and line-end style, with the
bytes that were not edited left as they were, and unsaved work is kept in a
recovery record that the next load of the file offers back.

quilmar-batch runs the same editor from a key script and prints its state as
JSON, for tests and scripting.]])
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quilmar.example.org)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
