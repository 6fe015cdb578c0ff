#pragma once

#include <optional>
#include <string_view>

namespace keydesk {

// Whether a library file is built for 32-bit or 64-bit code, read from its header (a Windows
// PE file's machine, an ELF file's class): a library of the other width cannot be loaded, and
// the clerk is told which one is needed. None when the bytes are neither kind of file.
std::optional<int> LibraryBits(std::string_view content);

// The width of this program's own code.
inline constexpr int kProgramBits = sizeof(void*) * 8;

}  // namespace keydesk
