#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace keydesk {

// A library loaded at run time (the lock vendor's card library), unloaded when the object
// goes away. One implementation per platform: dlopen, or LoadLibraryW on Windows, where the
// path is converted from code page 936 so that a folder with Chinese characters works.
// Thread-safe once loaded.
class DynamicLibrary {
 public:
  // The library at path; null with the system's reason (code page 936 text) in *reason when
  // it cannot be loaded.
  static std::unique_ptr<DynamicLibrary> Load(const std::string& path, std::string* reason);

  // The platform's file name of the library called name: libNAME.so, or NAME.dll on Windows.
  static std::string FileName(std::string_view name);

  // Called once at start, before any other library is loaded: on Windows, libraries are then
  // looked for only in the system folder and the program's own folder (never the current
  // folder or PATH, where anyone might have put a drevan.dll or a system DLL's namesake), and a
  // library loaded by its path also in that library's folder, for the files it needs itself.
  // Nothing to do elsewhere: dlopen searches no such folder.
  static void RestrictSearchToSafeFolders();

  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported function, by its undecorated name; null when the library
  // exports none of that name.
  void* Function(const char* name) const;

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}

  void* handle_;
};

}  // namespace keydesk
