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
