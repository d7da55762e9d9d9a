# Cross-compiles a 32-bit Windows target with MinGW-w64: the tool that ships.
set(PELMORA_MINGW_TARGET i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
