#include <dlfcn.h>

#include "platform/code_page.h"
#include "platform/dynamic_library.h"

namespace keydesk {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& path, std::string* reason) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* text = dlerror();
    *reason = AnsiFromUtf8(text != nullptr ? text : "unknown error");
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

std::string DynamicLibrary::FileName(std::string_view name) {
  return "lib" + std::string(name) + ".so";
}

void DynamicLibrary::RestrictSearchToSafeFolders() {}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

void* DynamicLibrary::Function(const char* name) const { return dlsym(handle_, name); }

}  // namespace keydesk
