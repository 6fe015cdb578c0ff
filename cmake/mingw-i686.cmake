# Cross build for 32-bit Windows: the release build, since card libraries are 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KEYDESK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
