# Installs the build tree afresh into PREFIX and checks what "cmake --install"
# lays out: exactly these files, tied together by the names desktops use.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BINARY_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "installing into ${PREFIX} failed: ${result}")
endif()
file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(expected bin/vantril lib/vantril/providers/libquorbix.so share/applications/org.vantril.Vantril.desktop
    share/doc/vantril/changelog.gz share/doc/vantril/copyright share/doc/vantril/examples/sample.db
    share/icons/hicolor/scalable/apps/org.vantril.Vantril.svg share/man/man1/vantril.1.gz
    share/metainfo/org.vantril.Vantril.metainfo.xml)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed:\n${installed}\nexpected:\n${expected}")
endif()
# file (under share/) | text it holds; "@" stands for ";"
foreach(row "applications/org.vantril.Vantril.desktop|\nExec=vantril %f\n"
            "applications/org.vantril.Vantril.desktop|\nMimeType=application/vnd.sqlite3@application/x-sqlite3@\n"
            "applications/org.vantril.Vantril.desktop|\nIcon=org.vantril.Vantril\n"
            "applications/org.vantril.Vantril.desktop|\nStartupWMClass=vantril\n"
            "metainfo/org.vantril.Vantril.metainfo.xml|<id>org.vantril.Vantril</id>"
            "metainfo/org.vantril.Vantril.metainfo.xml|<launchable type=\"desktop-id\">org.vantril.Vantril.desktop<"
            "metainfo/org.vantril.Vantril.metainfo.xml|<project_license>MIT</project_license>"
            "metainfo/org.vantril.Vantril.metainfo.xml|<binary>vantril</binary>"
            "metainfo/org.vantril.Vantril.metainfo.xml|<release version=\"${VERSION}\""
            "icons/hicolor/scalable/apps/org.vantril.Vantril.svg|<svg ")
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 file)
  list(GET row 1 line)
  string(REPLACE "@" ";" line "${line}")
  file(READ "${PREFIX}/share/${file}" text)
  string(FIND "${text}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} lacks ${line}")
  endif()
endforeach()
