# libpq for the Windows build, linked statically with the OpenSSL it speaks TLS through: the
# folder that scripts/libpq-mingw makes of Debian's source packages (include/, lib/, and its
# stamp, written last). Where the folder holds them, defines PostgreSQL::PostgreSQL, the name
# that the Linux build's find_package(PostgreSQL) gives libpq. scripts/build-windows makes it
# for the 32-bit build, the one hotels run; another build has it if KEYDESK_LIBPQ_DIR is made.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KEYDESK_DEFAULT_LIBPQ_DIR "${CMAKE_BINARY_DIR}/../libpq-win32")
else()
  set(KEYDESK_DEFAULT_LIBPQ_DIR "${CMAKE_BINARY_DIR}/../libpq-win64")
endif()
set(KEYDESK_LIBPQ_DIR "${KEYDESK_DEFAULT_LIBPQ_DIR}" CACHE PATH
  "Folder of a static libpq made by scripts/libpq-mingw; without it no PostgreSQL store")
if(NOT EXISTS "${KEYDESK_LIBPQ_DIR}/complete")
  return()
endif()

# What libpq.a needs after it, in this order, and the Windows libraries under them: Winsock,
# SSPI (secur32), the user's folders (shell32), the system's certificate stores (crypt32).
set(KEYDESK_LIBPQ_ARCHIVES pgcommon_shlib pgport_shlib ssl crypto)
list(TRANSFORM KEYDESK_LIBPQ_ARCHIVES REPLACE "(.+)" "${KEYDESK_LIBPQ_DIR}/lib/lib\\1.a")
add_library(PostgreSQL::PostgreSQL STATIC IMPORTED)
set_target_properties(PostgreSQL::PostgreSQL PROPERTIES
  IMPORTED_LOCATION "${KEYDESK_LIBPQ_DIR}/lib/libpq.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KEYDESK_LIBPQ_DIR}/include"
  INTERFACE_LINK_LIBRARIES
    "${KEYDESK_LIBPQ_ARCHIVES};ws2_32;secur32;shell32;crypt32;gdi32;user32;advapi32")
message(STATUS "libpq: ${KEYDESK_LIBPQ_DIR}")
