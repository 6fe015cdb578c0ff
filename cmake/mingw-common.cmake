# What both Windows toolchain files share, once they have set CMAKE_SYSTEM_PROCESSOR and
# KEYDESK_MINGW_TRIPLET: Debian's MinGW-w64 with the posix thread model (std::thread and
# std::mutex need it), and tests run under Wine through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)

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
