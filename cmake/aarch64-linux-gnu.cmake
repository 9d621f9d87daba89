# Debian's cross compiler for 64-bit ARM (crossbuild-essential-arm64), the arm64 libraries
# from multiarch, and qemu-user to run what it builds: the unit tests, gtest_discover_tests
# and the window tests' program.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# Without the arm64 pkg-config, FindGLUT takes the host's libglut.so.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for arm64")
# No -L: the multiarch loader and libc are in place, and pairing the cross toolchain's
# loader with them hangs forked children.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
