# The Debian package's own files, and the System component that installs them with the
# program: included by cmake/Packaging.cmake on Linux, with `package`, `maintainer`,
# `releaseDate`, `changelog` (CHANGELOG.md's text) and `packageFiles` (a folder of the
# build) set.
set(appId org.graph_editor.graph_editor)  # AppStream's reverse-DNS name for the editor


# "Tue, 08 Dec 2026 00:00:00 +0000" for 2026-12-08, as a Debian changelog dates an entry.
function(graph_editor_debian_date out year month day)
  set(monthOffsets 0 3 2 5 0 3 5 1 4 6 2 4)  # Sakamoto's rule for the day of the week
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  math(EXPR m "${month} - 1")
  list(GET monthOffsets ${m} offset)
  set(y ${year})
  if(month LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
  list(GET weekdays ${weekday} weekday)
  list(GET months ${m} month)
  set(${out} "${weekday}, ${day} ${month} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

# Every release of CHANGELOG.md, as AppStream <release> elements and as Debian changelog
# entries: a section's lines indented by two, its list items starting with "*".
set(releases "")
set(debianChangelog "")
set(rest "${changelog}")
while(rest MATCHES "${releaseHeading}")
  set(version ${CMAKE_MATCH_1})
  set(date ${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4})
  graph_editor_debian_date(debianDate ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
  string(FIND "${rest}" "${CMAKE_MATCH_0}" start)
  string(LENGTH "${CMAKE_MATCH_0}" length)
  math(EXPR start "${start} + ${length}")
  string(SUBSTRING "${rest}" ${start} -1 rest)
  string(FIND "${rest}" "\n## " end)
  string(SUBSTRING "${rest}" 0 ${end} changes)
  string(STRIP "${changes}" changes)
  string(REPLACE "\n- " "\n* " changes "\n${changes}")  # each line starts after a line feed
  string(REGEX REPLACE "\n([^\n])" "\n  \\1" changes "${changes}")
  string(SUBSTRING "${changes}" 1 -1 changes)
  string(APPEND releases "\n    <release version=\"${version}\" date=\"${date}\"/>")
  string(APPEND debianChangelog "${package} (${version}) unstable; urgency=medium\n\n${changes}\n\n"
                                " -- ${maintainer}  ${debianDate}\n\n")
endwhile()
string(STRIP "${debianChangelog}" debianChangelog)
file(WRITE ${packageFiles}/changelog "${debianChangelog}\n")

# The copyright file: LICENSE's notice, and its terms indented as a Debian copyright
# file quotes a licence.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) [^\n]+\n\n" notice "${license}")
string(FIND "${license}" "${notice}" start)
string(LENGTH "${notice}" length)
math(EXPR start "${start} + ${length}")
string(SUBSTRING "${license}" ${start} -1 terms)
string(REPLACE "\n\n" "\n.\n" terms "\n${terms}")  # each line starts after a line feed
string(REGEX REPLACE "\n([^\n])" "\n \\1" terms "${terms}")
string(SUBSTRING "${terms}" 1 -1 terms)
file(WRITE ${packageFiles}/copyright
     "${package}: an editor for small graphs whose nodes arrange themselves\n\n"
     "${notice}License: Expat (the MIT License)\n${terms}")

configure_file(${PROJECT_SOURCE_DIR}/share/graph-editor.metainfo.xml.in
               ${packageFiles}/${appId}.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/share/graph-editor.1.in ${packageFiles}/graph-editor.1 @ONLY)
# The menu entry starts the launcher, found on PATH, and names the icon by its theme name.
set(program graph-editor)
set(icon graph-editor)
configure_file(${PROJECT_SOURCE_DIR}/share/graph-editor.desktop.in ${packageFiles}/graph-editor.desktop @ONLY)

# The System component: where a Debian package puts each file, relative to /usr.
set(system COMPONENT System EXCLUDE_FROM_ALL)
install(TARGETS graph-editor RUNTIME DESTINATION lib/${package} ${system})
install(FILES ${packageFiles}/graph-editor.desktop DESTINATION share/applications ${system})
install(FILES ${PROJECT_SOURCE_DIR}/share/graph-editor.svg DESTINATION share/icons/hicolor/scalable/apps ${system})
install(FILES ${packageFiles}/${appId}.metainfo.xml DESTINATION share/metainfo ${system})
install(FILES ${packageFiles}/copyright DESTINATION share/doc/${package} ${system})
# Made at install time: the launcher, which names the program where this install puts it;
# the program stripped of what Debian strips;
# the manual page and the changelog compressed as Debian wants them (gzip -9, no name or
# time inside); and the icon drawn at the sizes of the icon theme, for desktops that
# want pixels.
find_program(GRAPH_EDITOR_RSVG_CONVERT rsvg-convert DOC "rsvg-convert (librsvg2-bin): the PNG icons of the Debian package")
install(CODE "set(packageFiles \"${packageFiles}\")
              set(launcherIn \"${PROJECT_SOURCE_DIR}/share/graph-editor-launcher.sh.in\")
              set(svg \"${PROJECT_SOURCE_DIR}/share/graph-editor.svg\")
              set(rsvgConvert \"${GRAPH_EDITOR_RSVG_CONVERT}\")
              set(strip \"${CMAKE_STRIP}\")
              set(package ${package})" ${system})
install(CODE [==[
  set(program "${CMAKE_INSTALL_PREFIX}/lib/${package}/graph-editor")
  if(CMAKE_INSTALL_DO_STRIP)  # as Debian strips a program: no compiler's notes either
    execute_process(COMMAND "${strip}" --remove-section=.comment --remove-section=.note
                            "$ENV{DESTDIR}${program}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  configure_file("${launcherIn}" "${packageFiles}/bin/graph-editor" @ONLY)
  file(INSTALL "${packageFiles}/bin/graph-editor" DESTINATION "${CMAKE_INSTALL_PREFIX}/bin"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  foreach(file graph-editor.1 changelog)
    execute_process(COMMAND gzip -9n -c "${packageFiles}/${file}" OUTPUT_FILE "${packageFiles}/${file}.gz"
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  file(INSTALL "${packageFiles}/graph-editor.1.gz" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/man/man1")
  file(INSTALL "${packageFiles}/changelog.gz" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/doc/${package}")
  if(NOT rsvgConvert)
    message(FATAL_ERROR "The PNG icons are drawn by rsvg-convert: apt-get install librsvg2-bin")
  endif()
  foreach(size 16 24 32 48 64 128 256)
    set(png "${packageFiles}/icons/${size}x${size}/graph-editor.png")
    file(MAKE_DIRECTORY "${packageFiles}/icons/${size}x${size}")
    execute_process(COMMAND "${rsvgConvert}" -w ${size} -h ${size} -o "${png}" "${svg}" COMMAND_ERROR_IS_FATAL ANY)
    file(INSTALL "${png}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor/${size}x${size}/apps")
  endforeach()
]==] ${system})

