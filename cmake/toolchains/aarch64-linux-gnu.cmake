# A build for 64-bit ARM (Raspberry Pi OS 64-bit, Debian arm64) on a Debian amd64 machine, from
# Debian's cross compilers and the arm64 development packages installed beside the amd64 ones
# (scripts/install-deps --arch arm64). Qt's moc and rcc are the build machine's own; the tests
# run under qemu's user-mode emulator.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Multiarch: the target's libraries, headers and CMake packages sit under .../aarch64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# The build machine's Qt tools; its CMake packages are in its own multiarch folder.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
  OUTPUT_VARIABLE build_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_multiarch}/cmake CACHE PATH "")

# pkg-config reads only the target's .pc files (cpp-httplib, curl).
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# CTest runs each suite through this. No -L /usr/aarch64-linux-gnu: the programs load the
# multiarch C library (libc6:arm64, which the Qt packages bring) through its own loader in
# /lib; the cross compiler's older copy there would pair its loader with that library, and
# glibc then hangs at the first thread.
find_program(QEMU_AARCH64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64})
