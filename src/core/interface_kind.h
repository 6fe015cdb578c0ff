#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/option_key.h"

namespace keydesk {

// What differs between the interface kinds in the shell; each kind declares its own in
// kinds/X/ (see kinds/kind_registry.h). Texts are UTF-8 source literals; callers convert them
// where they need code page 936 or UTF-16.
struct InterfaceKindInfo {
  int Number;
  const char* Title;       // window and application title
  const char* StartLine;   // log pane line when the listener starts
  const OptionKey* Port;   // the listening port's key, with its default
  const char* AccessName;  // the kind in the access log
  const char* AnyHostMay;  // what any host can do while every host may connect
};

inline constexpr int kDoorlockKind = 1;
inline constexpr int kPoliceKind = 2;
inline constexpr int kMemberKind = 3;
inline constexpr int kHandKind = 4;

// The log pane line when the listener has stopped, for every kind.
inline constexpr const char* kStopLine = "接口监听服务器已经停止。";

// The log pane line, code page 936, right after the start line when the listener could not
// be activated: that nothing listens, on which port, and why (reason in code page 936).
std::string NotListeningLine(int port, std::string_view reason);

// What a listener's failure means and what to do, in Chinese (code page 936), for the
// failures that have a system text in English; empty for others. The kind's port key is named
// where changing the port is the remedy.
std::string NotListeningAdvice(const InterfaceKindInfo& kind, int port, std::string_view reason);

}  // namespace keydesk
