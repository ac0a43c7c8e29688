# What every Debian cross build of Nubora shares; a toolchain file sets `triplet` (the GNU
# triplet, also the multiarch folder name) and `qemu` (the user-mode emulator), then includes
# this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
# Multiarch: the target's libraries, headers and CMake packages sit under .../${triplet}.
set(CMAKE_LIBRARY_ARCHITECTURE ${triplet})

# The build machine's Qt tools; its CMake packages are in its own multiarch folder.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
  OUTPUT_VARIABLE build_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_multiarch}/cmake CACHE PATH "")

# pkg-config reads only the target's .pc files (cpp-httplib, curl).
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${triplet}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# CTest runs each suite through this. No -L /usr/${triplet}: the programs load the multiarch C
# library (which the Qt packages bring) through its own loader in /lib; the cross compiler's
# older copy there would pair its loader with that library, and glibc then hangs at the first
# thread.
find_program(NUBORA_CROSS_EMULATOR ${qemu} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NUBORA_CROSS_EMULATOR})
