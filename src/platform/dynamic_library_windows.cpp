#include <windows.h>

#include "platform/dynamic_library.h"
#include "platform/wide_text_windows.h"

namespace keydesk {
namespace {

// A path with a folder, made absolute: a library loaded with its own folder searched must be
// named by its full path.
std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& path, std::string* reason) {
  const std::wstring wide = WideFromAnsi(path);
  const bool hasFolder = wide.find_first_of(L"\\/") != std::wstring::npos;
  HMODULE module =
      hasFolder
          ? LoadLibraryExW(FullPath(wide).c_str(), nullptr,
                           LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)
          : LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (module == nullptr) {
    // The system's texts name the file as "%1" ("%1 不是有效的 Win32 应用程序。").
    *reason = SystemErrorText(GetLastError(), path);
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(module));
}

std::string DynamicLibrary::FileName(std::string_view name) { return std::string(name) + ".dll"; }

void DynamicLibrary::RestrictSearchToSafeFolders() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  SetDllDirectoryW(L"");
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* DynamicLibrary::Function(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace keydesk
