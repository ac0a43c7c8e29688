# A build for 32-bit ARM (Debian armhf: ARMv7 with hard float, so a Raspberry Pi 2 or later
# with the 32-bit Raspberry Pi OS, not a Pi 1 or Zero) on a Debian amd64 machine, the same way
# as aarch64-linux-gnu.cmake (scripts/install-deps --arch armhf).
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(triplet arm-linux-gnueabihf)
set(qemu qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
