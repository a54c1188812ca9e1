# The Windows edition built 64-bit, so that no pointer-size assumption creeps into the code.
set(ZEM_MINGW_TRIPLET x86_64-w64-mingw32)
set(ZEM_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
