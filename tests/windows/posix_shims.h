// The few POSIX calls that the unit tests shared with Linux use, for the Windows build, which
// includes this header ahead of every test file.
#pragma once

#if defined(_WIN32)

#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

// The C run-time's environment, which Windows keeps in step with the process's own, so that
// a loaded library's GetEnvironmentVariable sees the change too.
inline int setenv(const char* name, const char* value, int overwrite) {
  if (overwrite == 0 && getenv(name) != nullptr) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// A new folder named after pattern, whose last six characters "XXXXXX" are replaced.
inline char* mkdtemp(char* pattern) {
  const size_t size = std::strlen(pattern) + 1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char* end = pattern + size - 7;
    std::memcpy(end, "XXXXXX", 6);
    if (_mktemp_s(pattern, size) != 0) return nullptr;
    if (_mkdir(pattern) == 0) return pattern;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

// Loading the simulated encoder as the shared tests do, through LoadLibrary.
#define RTLD_NOW 0
#define RTLD_LOCAL 0

inline void* dlopen(const char* path, int) { return LoadLibraryA(path); }

inline void* dlsym(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

inline int dlclose(void* handle) { return FreeLibrary(static_cast<HMODULE>(handle)) ? 0 : -1; }

inline const char* dlerror() { return "LoadLibrary failed"; }

#endif
