# Cross-compiles a 64-bit Windows target with MinGW-w64: a compile check only.
set(PELMORA_MINGW_TARGET x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
