# Installs the build tree afresh into PREFIX and checks that "cmake --install"
# lays out exactly these files, tied together by the names desktops use, and
# that desktops' own validators accept the desktop file and the metadata.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BINARY_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE result)
file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(expected bin/vantril lib/vantril/providers/libquorbix.so share/applications/org.vantril.Vantril.desktop
    share/doc/vantril/changelog.gz share/doc/vantril/copyright share/doc/vantril/examples/sample.db
    share/icons/hicolor/scalable/apps/org.vantril.Vantril.svg share/man/man1/vantril.1.gz
    share/metainfo/org.vantril.Vantril.metainfo.xml)
if(NOT result EQUAL 0 OR NOT installed STREQUAL expected)
  message(FATAL_ERROR "install: ${result}\ninstalled:\n${installed}\nexpected:\n${expected}")
endif()
# The names that tie the desktop file, the metadata and the program together.
file(READ "${PREFIX}/share/applications/org.vantril.Vantril.desktop" desktop)
file(READ "${PREFIX}/share/metainfo/org.vantril.Vantril.metainfo.xml" metainfo)
if(NOT desktop MATCHES "\nExec=vantril %f\nIcon=org.vantril.Vantril\n.*\nMimeType=application/vnd.sqlite3.application/x-sqlite3.\n.*\nStartupWMClass=vantril\n" OR NOT metainfo MATCHES ">org.vantril.Vantril.desktop<.*\"${VERSION}\"")
  message(FATAL_ERROR "the desktop file or the metadata lost a name the program gives:\n${desktop}\n${metainfo}")
endif()
execute_process(COMMAND desktop-file-validate "${PREFIX}/share/applications/org.vantril.Vantril.desktop"
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND appstreamcli validate --no-net "${PREFIX}/share/metainfo/org.vantril.Vantril.metainfo.xml"
                COMMAND_ERROR_IS_FATAL ANY)
