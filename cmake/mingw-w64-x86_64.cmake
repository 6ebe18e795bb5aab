# Cross-compiling for 64-bit Windows with Debian's mingw-w64, its posix thread
# model (std::thread and std::mutex come from winpthread, linked statically).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VINDELEO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VINDELEO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VINDELEO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VINDELEO_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${VINDELEO_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VINDELEO_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers of the target only from the mingw sysroot and the
# prefixes the build names (libxml2's); programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${VINDELEO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing beside the programs: the C++ runtime, libgcc and winpthread are
# linked into each executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
