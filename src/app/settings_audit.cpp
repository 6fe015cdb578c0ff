#include "app/settings_audit.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "core/access_log.h"
#include "core/log_file.h"
#include "core/option_key.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

// A key that holds a password, whatever its section: its values stay out of every log.
bool HoldsPassword(std::string_view key) {
  constexpr std::string_view kPassword = "password";
  return std::search(key.begin(), key.end(), kPassword.begin(), kPassword.end(),
                     [](char a, char b) {
                       return std::tolower(static_cast<unsigned char>(a)) == b;
                     }) != key.end();
}

}  // namespace

SettingsAudit::SettingsAudit(TLogFile& log, AccessLog& access, std::string user)
    : log_(log), access_(access), user_(std::move(user)) {}

std::string SettingsAudit::ByUser() const {
  return AnsiFromUtf8("；操作系统用户：") + (user_.empty() ? AnsiFromUtf8("（未知）") : user_);
}

void SettingsAudit::PasswordRefused(int failures, std::chrono::seconds wait) {
  log_.Write(AnsiFromUtf8("管理员密码错误（连续第 " + std::to_string(failures) + " 次），" +
                          std::to_string(wait.count()) + " 秒内不再受理") +
             ByUser());
  access_.PasswordRefused(user_, failures, wait);
}

void SettingsAudit::PasswordChanged(bool saved) {
  log_.Write(AnsiFromUtf8(saved ? "管理员密码已更改"
                                : "管理员密码已更改，但未能保存到 Option.ini，只在本次运行中有效") +
             ByUser());
  access_.PasswordChanged(user_, saved);
}

void SettingsAudit::SettingChanged(std::string_view section, std::string_view key,
                                   std::string_view before, std::string_view after) {
  Changed("系统设置已更改：", section, key, before, after);
}

void SettingsAudit::OptionsChanged(const std::vector<OptionKeyText>& was,
                                   const std::vector<OptionKeyText>& is) {
  for (size_t i = 0; i < was.size() && i < is.size(); ++i) {
    if (was[i].Text != is[i].Text) {
      Changed("选项已更改：", is[i].Section, is[i].Key, was[i].Text, is[i].Text);
    }
  }
}

void SettingsAudit::Changed(const char* what, std::string_view section, std::string_view key,
                            std::string_view before, std::string_view after) {
  // A key written again as it was (an entry with a blank more) changed nothing.
  if (before == after) return;
  const bool hidden = HoldsPassword(key);
  std::string line = AnsiFromUtf8(what) + std::string(key);
  if (hidden) {
    line += AnsiFromUtf8("（密码，不记其值）");
  } else {
    line += AnsiFromUtf8(" 由 “") + std::string(before) + AnsiFromUtf8("” 改为 “") +
            std::string(after) + AnsiFromUtf8("”");
  }
  log_.Write(line + ByUser());
  access_.SettingChanged(user_, {.Section = section,
                                 .Key = key,
                                 .Old = hidden ? std::string_view() : before,
                                 .New = hidden ? std::string_view() : after,
                                 .Hidden = hidden});
}

}  // namespace keydesk
