# What the packages carry beyond the Program component (bin/graph-editor and Resources/,
# cmake/Program.cmake), and how CPack makes them. Each package is made from components
# that a plain `cmake --install` leaves out:
#   System   the Debian package's tree under /usr: the program in lib/graph-editor/, a
#            launcher as bin/graph-editor, the menu entry, icons, AppStream data, manual
#            page, copyright and changelog (Linux only)
#   Archive  what an archive adds to the Program component: README, licence, changelog and
#            the notices of what the program links statically; on Linux the icon and the
#            menu entry's template
# The Windows installer carries the same files as the zip, Program and Archive, and adds its
# own shortcut, uninstaller and entry in the list of programs (cmake/NSIS.template.in).
# ./package.sh builds all four packages with the presets.

# The version is written once, in project(). CHANGELOG.md has a section for each release,
# newest first, "## [<version>] - <yyyy-mm-dd>" and a list of changes; the one for this
# version gives its release date.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog)
set(releaseHeading "\n## \\[([0-9.]+)\\] - ([0-9]+)-([0-9]+)-([0-9]+)\n")
if(NOT changelog MATCHES "\n## \\[${PROJECT_VERSION}\\] - ([0-9]+-[0-9]+-[0-9]+)\n")
  message(FATAL_ERROR "CHANGELOG.md has no section \"## [${PROJECT_VERSION}] - <yyyy-mm-dd>\" "
                      "for the version in project()")
endif()
set(releaseDate ${CMAKE_MATCH_1})

set(package graph-editor)
set(maintainer "The graph-editor developers <graph-editor@example.org>")
set(packageFiles ${CMAKE_CURRENT_BINARY_DIR}/package)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)
endif()

# The Archive component, at the top of the archive beside bin/ and Resources/.
set(archive COMPONENT Archive EXCLUDE_FROM_ALL)
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt ${archive})
  install(FILES ${PROJECT_SOURCE_DIR}/share/README-windows.txt DESTINATION . RENAME README.txt ${archive})
  # The program is linked statically: the notices of freeglut, as built beside the program,
  # and of the MinGW-w64 run-time (its C run-time and threads library), as Debian gives them.
  # GCC's own run-time libraries ask for none (GCC Runtime Library Exception).
  get_filename_component(freeglut "${FreeGLUT_DIR}/../../.." ABSOLUTE)
  install(FILES ${freeglut}/share/doc/freeglut/COPYING DESTINATION . RENAME freeglut-COPYING.txt ${archive})
  install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION .
          RENAME mingw-w64-runtime-copyright.txt ${archive})
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . ${archive})
  install(FILES ${PROJECT_SOURCE_DIR}/share/README-linux.txt DESTINATION . RENAME README ${archive})
  install(FILES ${PROJECT_SOURCE_DIR}/share/graph-editor.svg ${PROJECT_SOURCE_DIR}/share/graph-editor.desktop.in
          DESTINATION . ${archive})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION . ${archive})

# CPack: the Debian package from the System component, installed under /usr; the archives
# from the Program and Archive components, under a folder named as the archive; the Windows
# installer from the same two, at the top of the folder it installs into.
if(WIN32)
  set(CPACK_GENERATOR ZIP NSIS64)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()
set(CPACK_PACKAGE_NAME ${package})
set(CPACK_PACKAGE_VENDOR "The graph-editor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for small graphs whose nodes arrange themselves")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "A small desktop editor for undirected graphs. Place nodes with the mouse, join"
  "them with edges, drag and remove them, and run an animated force-directed"
  "layout that arranges them: joined nodes pull together, nodes too close push"
  "apart. The layout's strength and spacing are tuned from the keyboard."
  ""
  "The graph is saved as plain text, for each user in"
  "~/.local/share/graph-editor/Resources/graph.txt.")
string(TOLOWER "${package}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" archiveName)
set(CPACK_PACKAGE_FILE_NAME ${archiveName})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};Program;/;${CMAKE_BINARY_DIR};${PROJECT_NAME};Archive;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${maintainer}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Windows installer: the project's own script, for one user without an administrator,
# where CPack's asks for one and installs for all users. Its icon is the program's, drawn by
# cmake/Program.cmake.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})  # cmake/NSIS.template.in
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${package})
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${package})
set(CPACK_NSIS_DISPLAY_NAME "Graph Editor")
set(CPACK_NSIS_PACKAGE_NAME "Graph Editor")
set(CPACK_NSIS_UNINSTALL_NAME uninstall)
set(CPACK_NSIS_MUI_ICON "${GRAPH_EDITOR_ICON}")
set(CPACK_NSIS_MUI_UNIICON "${GRAPH_EDITOR_ICON}")
# cpack reads this for each package it makes: the Debian package takes the System component;
# the installer is named as the zip, with -setup.exe.
file(CONFIGURE OUTPUT ${packageFiles}/per-generator.cmake @ONLY CONTENT [[
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "@CMAKE_BINARY_DIR@;@PROJECT_NAME@;System;/")
elseif(CPACK_GENERATOR STREQUAL "NSIS64")
  set(CPACK_PACKAGE_FILE_NAME "@archiveName@-setup")
endif()
]])
set(CPACK_PROJECT_CONFIG_FILE ${packageFiles}/per-generator.cmake)
include(CPack)

# The package tests (tests/package): the packages of dist/, made by ./package.sh, unpacked or
# installed and started as a user would. Off unless asked for, as the packages preset does.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(GRAPH_EDITOR_PACKAGE_TESTS OFF CACHE STRING "Build the package tests: AUTO, ON or OFF")
  # Beyond the window tests' tools: the checkers, wrestool for the Windows program's resources,
  # and wine for the Windows packages.
  function(graph_editor_find_package_tools)
    graph_editor_find_window_tools()
    set(programs lintian desktop-file-validate wrestool wine64)
    set(debianPackages lintian desktop-file-utils icoutils wine64)
    foreach(program debianPackage IN ZIP_LISTS programs debianPackages)
      find_program(GRAPH_EDITOR_${program} ${program} HINTS /usr/lib/wine)
      if(NOT GRAPH_EDITOR_${program})
        list(APPEND missing ${debianPackage})
      endif()
    endforeach()
    set(missing ${missing} PARENT_SCOPE)
  endfunction()
  graph_editor_test_part(GRAPH_EDITOR_PACKAGE_TESTS "package tests" graph_editor_find_package_tools)
  if(GRAPH_EDITOR_PACKAGE_TESTS_ENABLED)
    add_subdirectory(tests/package)
  endif()
endif()
