#include <windows.h>

#include "platform/dynamic_library.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& path, std::string* reason) {
  HMODULE module = LoadLibraryW(WideFromAnsi(path).c_str());
  if (module == nullptr) {
    *reason = SystemErrorText(GetLastError());
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(module));
}

std::string DynamicLibrary::FileName(std::string_view name) { return std::string(name) + ".dll"; }

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* DynamicLibrary::Function(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace keydesk
