#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// Encodes response text for the wire, one UTF-16 code unit at a time: one, two or three
// bytes per unit; surrogate halves are encoded one by one, each as three bytes.
std::string EncodeUtf8(std::u16string_view text);

}  // namespace keydesk
