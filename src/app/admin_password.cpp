#include "app/admin_password.h"

#include <algorithm>
#include <string>

#include "core/sys_option.h"
#include "platform/code_page.h"
#include "platform/conversions.h"

namespace keydesk {
namespace {

// Characters, not bytes: a Chinese character is one, as the clerk counts. A byte that begins
// no character counts as one.
size_t Characters(std::string_view ansi) {
  size_t count = 0;
  while (!ansi.empty()) {
    ansi.remove_prefix(std::max<size_t>(AnsiCharacterLength(ansi), 1));
    ++count;
  }
  return count;
}

}  // namespace

bool AdminPasswordMatches(const TSysOption& sysOption, std::string_view entry) {
  return Trim(entry) == sysOption.Password;
}

BoxText PasswordWaitMessage(std::chrono::milliseconds remaining) {
  const auto seconds =
      std::max<int64_t>(std::chrono::ceil<std::chrono::seconds>(remaining).count(), 1);
  return {BoxIcon::Error, kHintCaption,
          "密码输入错误后须等待，请 " + std::to_string(seconds) + " 秒后再试。"};
}

std::optional<BoxMessage> ChangeAdminPasswordTo(TSysOption& sysOption, std::string_view entry,
                                                std::string_view confirmation) {
  const std::string_view password = Trim(entry);
  // An empty password lets anyone at the desk past the prompt with Enter.
  if (password.empty()) return kPasswordEmpty;
  if (Characters(password) < kMinPasswordLength) return kPasswordTooShort;
  if (password != Trim(confirmation)) return kPasswordMismatch;
  sysOption.Password = std::string(password);
  sysOption.Save();
  return std::nullopt;
}

}  // namespace keydesk
