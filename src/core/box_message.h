#pragma once

namespace keydesk {

// A message box as every front end shows it: icon, caption and text, UTF-8 source literals.
// The texts are the system's own, so they live here once rather than in each front end.
enum class BoxIcon { None, Information, Error, Question };

struct BoxMessage {
  BoxIcon Icon;
  const char* Caption;
  const char* Text;
};

// The caption of every dialog message.
inline constexpr const char* kHintCaption = "提示";

}  // namespace keydesk
