# Cross build for 32-bit ARM (armhf) with Debian's cross compiler. Libraries come from the
# armhf packages installed through multiarch, and from the development packages that
# scripts/deps.sh unpacks into TAVISK_ARMHF_DEVROOT because they cannot be installed beside
# the host's. Test programs run under qemu-user, without relying on binfmt being set up.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
# GCC notes that passing some standard-library types changed ABI in GCC 7.1; everything here
# is built by one compiler, so the note says nothing about this build.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)

# The ELF interpreter and every library are found through the multiarch paths.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAVISK_ARMHF_DEVROOT)
set(CMAKE_FIND_ROOT_PATH ${TAVISK_ARMHF_DEVROOT} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(TAVISK_ARMHF_DEVROOT)
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${TAVISK_ARMHF_DEVROOT}/usr/include
      ${TAVISK_ARMHF_DEVROOT}/usr/include/arm-linux-gnueabihf)
  set(ENV{PKG_CONFIG_LIBDIR} "${TAVISK_ARMHF_DEVROOT}/usr/lib/arm-linux-gnueabihf/pkgconfig:\
/usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig")
endif()
