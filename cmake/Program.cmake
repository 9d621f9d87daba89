# The editor program: the GLUT side and the executable, with its install rules.
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
if(WIN32)
  # freeglut's own CMake package (scripts/build-freeglut-windows.sh builds it from source):
  # its static library needs the FREEGLUT_STATIC define and Windows' GL, sound and GDI
  # libraries, which it names and FindGLUT does not.
  # A freeglut with only its DLL (vcpkg's dynamic triplets) gives FreeGLUT::freeglut.
  find_package(FreeGLUT CONFIG REQUIRED)
  if(TARGET FreeGLUT::freeglut_static)
    set(GRAPH_EDITOR_GLUT FreeGLUT::freeglut_static)
  else()
    set(GRAPH_EDITOR_GLUT FreeGLUT::freeglut)
  endif()
else()
  find_package(GLUT REQUIRED)
  set(GRAPH_EDITOR_GLUT GLUT::GLUT)
endif()

# The GLUT side: projection, drawing and the context menu.
add_library(editor_window STATIC
  src/ui/window.cpp
  src/ui/display.cpp
)
target_link_libraries(editor_window PUBLIC editor_callbacks ${GRAPH_EDITOR_GLUT} OpenGL::GL OpenGL::GLU)
if(APPLE)
  # Apple marks OpenGL and GLUT as deprecated; the editor uses them knowingly.
  target_compile_definitions(editor_window PUBLIC GL_SILENCE_DEPRECATION)
endif()
graph_editor_target(editor_window)

# A windowed program on Windows: no console window beside it. It still starts at main().
add_executable(graph-editor WIN32 src/ui/main.cpp)
target_link_libraries(graph-editor PRIVATE editor_window)
graph_editor_target(graph-editor)

if(WIN32)
  # The program carries its icon, which Explorer, the Start menu and the installer show, and
  # its version, which the file's properties show. The icon is drawn from the same SVG as on
  # Linux, at the sizes Windows picks from: 16 to 48 as bitmaps, 256 as PNG, as Windows
  # stores its large icons. freeglut gives its window class the icon named GLUT_ICON, so the
  # title bar and the taskbar show it too.
  enable_language(RC)
  find_program(GRAPH_EDITOR_RSVG_CONVERT rsvg-convert DOC "rsvg-convert (librsvg2-bin): the program's icon")
  find_program(GRAPH_EDITOR_ICOTOOL icotool DOC "icotool (icoutils): the program's icon")
  if(NOT GRAPH_EDITOR_RSVG_CONVERT OR NOT GRAPH_EDITOR_ICOTOOL)
    message(FATAL_ERROR "The Windows program's icon is drawn by rsvg-convert and icotool: "
                        "apt-get install librsvg2-bin icoutils (scripts/ensure-packages.sh windows)")
  endif()
  set(iconDir ${CMAKE_CURRENT_BINARY_DIR}/icon)
  set(GRAPH_EDITOR_ICON ${iconDir}/graph-editor.ico)  # the installer's icon too
  set(drawIcon "")
  set(iconImages "")
  foreach(size 16 32 48 256)
    list(APPEND drawIcon COMMAND ${GRAPH_EDITOR_RSVG_CONVERT} -w ${size} -h ${size}
                                 -o ${iconDir}/${size}.png ${PROJECT_SOURCE_DIR}/share/graph-editor.svg)
    if(size LESS 256)
      list(APPEND iconImages ${iconDir}/${size}.png)
    else()
      list(APPEND iconImages --raw=${iconDir}/${size}.png)
    endif()
  endforeach()
  add_custom_command(OUTPUT ${GRAPH_EDITOR_ICON}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${iconDir}
                     ${drawIcon}
                     COMMAND ${GRAPH_EDITOR_ICOTOOL} --create --output=${GRAPH_EDITOR_ICON} ${iconImages}
                     DEPENDS ${PROJECT_SOURCE_DIR}/share/graph-editor.svg
                     COMMENT "Drawing the program's icon" VERBATIM)

  # The version resource: four numbers, the version in project() padded with zeros, and the
  # copyright line of LICENSE, with quotes doubled as a resource string wants them.
  string(REPLACE "." ";" rcVersion "${PROJECT_VERSION}.0.0.0")
  list(SUBLIST rcVersion 0 4 rcVersion)
  list(JOIN rcVersion "," rcVersion)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright " LIMIT_COUNT 1)
  if(NOT copyright)
    message(FATAL_ERROR "LICENSE has no line starting \"Copyright \" for the program's version resource")
  endif()
  string(REPLACE "\"" "\"\"" copyright "${copyright}")
  set(icon ${GRAPH_EDITOR_ICON})
  configure_file(${PROJECT_SOURCE_DIR}/share/graph-editor.rc.in ${iconDir}/graph-editor.rc @ONLY)
  # The icon is a source too, so that it is drawn before windres reads it.
  target_sources(graph-editor PRIVATE ${iconDir}/graph-editor.rc ${GRAPH_EDITOR_ICON})
  set_source_files_properties(${iconDir}/graph-editor.rc PROPERTIES OBJECT_DEPENDS ${GRAPH_EDITOR_ICON})
endif()

# The window tests start the program by a path of their own, which is also its argv[0]
# (its title, and where it looks for ../Resources). Under qemu-user, with no binfmt
# support to start a foreign program directly, they start a script instead that runs it
# in qemu with that argv[0] (qemu's -0). Wine runs the Windows program by its own path.
set(GRAPH_EDITOR_PROGRAM_UNDER_TEST $<TARGET_FILE:graph-editor>)
if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT WIN32)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
  set(GRAPH_EDITOR_PROGRAM_UNDER_TEST ${CMAKE_BINARY_DIR}/bin/graph-editor-emulated)
  file(GENERATE OUTPUT ${GRAPH_EDITOR_PROGRAM_UNDER_TEST}
       CONTENT "#!/bin/sh\nexec ${emulator} -0 \"$0\" $<TARGET_FILE:graph-editor> \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

if(APPLE)
  # An application bundle, laid out as the program expects: it finds graph.txt in
  # ../Resources from its own directory, Contents/MacOS, so in Contents/Resources.
  set_target_properties(graph-editor PROPERTIES MACOSX_BUNDLE TRUE
                        MACOSX_BUNDLE_BUNDLE_NAME graph-editor MACOSX_BUNDLE_GUI_IDENTIFIER org.graph-editor)
  add_custom_command(TARGET graph-editor POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_BUNDLE_CONTENT_DIR:graph-editor>/Resources)
  install(TARGETS graph-editor BUNDLE DESTINATION .)
  install(DIRECTORY DESTINATION graph-editor.app/Contents/Resources)
  return()
endif()

# The editor installs as bin/graph-editor with an empty Resources/ beside bin/, where it
# keeps graph.txt. Both names are fixed so that they stay siblings under any prefix. This
# is the Program component, which the archives carry too (cmake/Packaging.cmake).
install(TARGETS graph-editor RUNTIME DESTINATION bin COMPONENT Program)
install(DIRECTORY DESTINATION Resources COMPONENT Program)
if(WIN32)
  return()  # the desktop entry is for Linux desktops
endif()
# The Menu component, for an install into a prefix of one's own: the icon, and a desktop
# entry that names the installed program and icon by their full paths. A launcher must
# start the program by a path with a directory part, or it would look for ../Resources
# from wherever it was started. The paths are known only at install time (cmake --install
# --prefix).
set(iconDestination share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/share/graph-editor.svg DESTINATION ${iconDestination} COMPONENT Menu)
install(CODE "set(desktopEntryIn \"${PROJECT_SOURCE_DIR}/share/graph-editor.desktop.in\")
              set(desktopEntry \"${CMAKE_CURRENT_BINARY_DIR}/graph-editor.desktop\")
              set(iconDestination ${iconDestination})" COMPONENT Menu)
install(CODE [==[
  # A relative --prefix is taken from the directory the install runs in, as CMake does.
  get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
  # Every backslash is doubled, as in any desktop entry string. The Exec key's argument is
  # quoted too: before that, backslash, quote, dollar and backquote get a backslash, and %
  # is doubled.
  string(REPLACE [[\]] [[\\]] icon "${prefix}/${iconDestination}/graph-editor.svg")
  set(program "${prefix}/bin/graph-editor")
  string(REPLACE [[\]] [[\\]] program "${program}")
  foreach(special [["]] [[$]] [[`]])
    string(REPLACE "${special}" "\\${special}" program "${program}")
  endforeach()
  string(REPLACE [[\]] [[\\]] program "${program}")
  string(REPLACE "%" "%%" program "${program}")
  configure_file("${desktopEntryIn}" "${desktopEntry}" @ONLY)
  file(INSTALL "${desktopEntry}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications")
]==] COMPONENT Menu)
