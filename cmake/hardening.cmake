# The hardening Debian builds its packages with (dpkg-buildflags with hardening=+all), and its
# Windows counterparts: a stack protector everywhere; _FORTIFY_SOURCE where the build is
# optimised and not sanitised (the sanitisers check the same calls and clash with it); on
# Linux position-independent programs and full RELRO (relro, now); on Windows ASLR with the
# relocations it needs, high-entropy ASLR for 64-bit programs, and DEP. packaging/check_package
# checks the results.
option(KEYDESK_HARDEN "Build with the stack protector, _FORTIFY_SOURCE, RELRO/ASLR and DEP" ON)
if(NOT KEYDESK_HARDEN)
  return()
endif()

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
if(NOT KEYDESK_SANITIZE AND NOT KEYDESK_FUZZ AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_definitions(_FORTIFY_SOURCE=2)
endif()

if(WIN32)
  # Given when linking too, so that MinGW's driver links its libssp.
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
else()
  include(CheckPIESupported)
  check_pie_supported()
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
