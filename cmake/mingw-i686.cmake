# Cross build for 32-bit Windows (the release build: card libraries are 32-bit) with Debian's
# MinGW-w64, posix thread model (std::thread and std::mutex need it). Tests run under Wine
# through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KEYDESK_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KEYDESK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEYDESK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KEYDESK_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${KEYDESK_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KEYDESK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
