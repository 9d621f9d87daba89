# Debian's cross compiler for 32-bit x86 (crossbuild-essential-i386). An x86-64 kernel runs
# what it builds directly. GoogleTest is built from Debian's sources (googletest).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(GRAPH_EDITOR_GTEST_SOURCES /usr/src/googletest/googletest)
