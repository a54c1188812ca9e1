# The Windows edition, 32-bit: the width of the host libraries a Windows user has installed.
set(ZEM_MINGW_TRIPLET i686-w64-mingw32)
set(ZEM_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
