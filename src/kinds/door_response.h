#pragma once

#include <string_view>

#include "wire/xml_writer.h"

namespace keydesk {

// The start of the "DoorResponse" that the door lock, hand-tag and member-card kinds answer
// with: the root opened and its first three elements; each kind adds its own and closes it.
XmlWriter DoorResponseHead(std::string_view requestId, std::string_view resultCode,
                           std::string_view resultMessage);

inline constexpr const char* kDoorResponseRoot = "DoorResponse";

}  // namespace keydesk
