#pragma once

#include <string>

namespace keydesk {

// A message box as every front end shows it: icon, caption and text, UTF-8 source literals.
// The texts are the system's own, so they live here once rather than in each front end.
enum class BoxIcon { None, Information, Error, Question };

struct BoxMessage {
  BoxIcon Icon;
  const char* Caption;
  const char* Text;
};

// A message whose text is made when it is said (a number in it), UTF-8 like the others.
struct BoxText {
  BoxIcon Icon;
  const char* Caption;
  std::string Text;

  // Valid while this lives.
  BoxMessage Message() const { return {Icon, Caption, Text.c_str()}; }
};

// The caption of every dialog message.
inline constexpr const char* kHintCaption = "提示";

}  // namespace keydesk
