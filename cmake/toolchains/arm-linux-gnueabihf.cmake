# A build for 32-bit ARM (Debian armhf: ARMv7 with hard float, so a Raspberry Pi 2 or later
# with the 32-bit Raspberry Pi OS, not a Pi 1 or Zero) on a Debian amd64 machine, the same way
# as aarch64-linux-gnu.cmake (scripts/install-deps --arch armhf).
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
# Multiarch: the target's libraries, headers and CMake packages sit under .../arm-linux-gnueabihf.
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

# The build machine's Qt tools; its CMake packages are in its own multiarch folder.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
  OUTPUT_VARIABLE build_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_multiarch}/cmake CACHE PATH "")

# pkg-config reads only the target's .pc files (cpp-httplib, curl).
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# CTest runs each suite through this. No -L /usr/arm-linux-gnueabihf: the programs load the
# multiarch C library (libc6:armhf, which the Qt packages bring) through its own loader in
# /lib; the cross compiler's older copy there would pair its loader with that library, and
# glibc then hangs at the first thread.
find_program(QEMU_ARM qemu-arm-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_ARM})
