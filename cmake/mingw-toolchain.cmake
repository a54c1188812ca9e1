# Cross-compiling for Windows with Debian's mingw-w64 compilers. Included by the two
# toolchain files, which set ZEM_MINGW_TRIPLET first.
#
# The -posix compilers are named on purpose: the -win32 variant has no std::thread or
# std::mutex in GCC 12. Everything is linked statically, so that no runtime library has to
# lie beside the program (a missing libwinpthread-1.dll makes Wine exit with 53 in silence).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZEM_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${ZEM_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEM_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEM_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEM_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the .exe files through Wine (scripts/wine-env.sh sets up the
# prefix and keeps a wineserver running).
find_program(ZEM_WINE wine)
if(ZEM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEM_WINE})
endif()
