# A build for 64-bit ARM (Raspberry Pi OS 64-bit, Debian arm64) on a Debian amd64 machine, from
# Debian's cross compilers and the arm64 development packages installed beside the amd64 ones
# (scripts/install-deps --arch arm64). Qt's moc and rcc are the build machine's own; the tests
# run under qemu's user-mode emulator.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triplet aarch64-linux-gnu)
set(qemu qemu-aarch64-static)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
