#pragma once

#include <commctrl.h>
#include <windows.h>

#include <utility>

namespace keydesk {

// Owners of the window's GDI and image-list objects, freed when the owner goes.
template <typename Handle, BOOL (*Free)(Handle)>
class UniqueWindowObject {
 public:
  explicit UniqueWindowObject(Handle handle = nullptr) : handle_(handle) {}
  ~UniqueWindowObject() {
    if (handle_ != nullptr) Free(handle_);
  }
  UniqueWindowObject(UniqueWindowObject&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueWindowObject& operator=(UniqueWindowObject&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  Handle Get() const { return handle_; }

 private:
  Handle handle_;
};

// Plain functions: the API's own use another calling convention on 32-bit Windows.
inline BOOL FreeFont(HFONT font) { return DeleteObject(font); }
inline BOOL FreeBrush(HBRUSH brush) { return DeleteObject(brush); }
inline BOOL FreeImageList(HIMAGELIST list) { return ImageList_Destroy(list); }

using UniqueFont = UniqueWindowObject<HFONT, FreeFont>;
using UniqueBrush = UniqueWindowObject<HBRUSH, FreeBrush>;
using UniqueImageList = UniqueWindowObject<HIMAGELIST, FreeImageList>;

}  // namespace keydesk
