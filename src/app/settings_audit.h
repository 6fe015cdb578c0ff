#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {

class AccessLog;
class TLogFile;
struct OptionKeyText;

// The trace of what was done at the desk to the system's guard and settings: each wrong
// administrator password, each change of it, each key that 系统设置 saved and each device
// option that the options dialog changed. Each goes to the daily log (while WriteLog is on) and
// to the access log (while it is on) with the name of the user the operating system says is
// logged on, so that a widened AllowedHosts or a run of guesses leads to a person. No
// password's value is ever written, the administrator's nor that of a key named for a password
// (HotelPassword): only that it changed.
//
// Main thread only, like the dialogs it follows; both logs are thread-safe.
class SettingsAudit {
 public:
  // Both logs must outlive the audit. user: the operating system's name (UserName), code page
  // 936; empty when it would not say.
  SettingsAudit(TLogFile& log, AccessLog& access, std::string user);

  // A wrong entry at the password prompt, the failures-th in a row, and the wait it started.
  void PasswordRefused(int failures, std::chrono::seconds wait);
  // The administrator password changed; saved: whether Option.ini holds it (when not, it is in
  // effect for this run only).
  void PasswordChanged(bool saved);
  // One key that 系统设置 wrote: the value it opened with and the one written (code page 936).
  // Nothing when the two are the same, nor in OptionsChanged for a key that kept its value.
  void SettingChanged(std::string_view section, std::string_view key, std::string_view before,
                      std::string_view after);
  // Each key of a device's options that differs between before and after (the same keys in
  // the same order, as DeviceOptions::KeyTexts gives them).
  void OptionsChanged(const std::vector<OptionKeyText>& before,
                      const std::vector<OptionKeyText>& after);

 private:
  // what: UTF-8, the line's beginning ("系统设置已更改").
  void Changed(const char* what, std::string_view section, std::string_view key,
               std::string_view before, std::string_view after);
  // "；操作系统用户：" and the name, for the end of a daily log line (code page 936).
  std::string ByUser() const;

  TLogFile& log_;
  AccessLog& access_;
  const std::string user_;
};

}  // namespace keydesk
