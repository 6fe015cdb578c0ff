#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "core/box_message.h"

namespace keydesk {

class TSysOption;

// The administrator password's rules behind the password prompt and the change dialog.
// Entries are code page 936 text as typed; trimming removes every leading and trailing
// character whose code is at most that of the blank. Main thread only, like every change of
// the password.

// True when the trimmed entry equals the stored password character by character: letter
// case counts, and the stored password is taken as it is, untrimmed.
inline constexpr const char* kCheckPasswordCaption = "请输入管理员密码";
inline constexpr const char* kChangePasswordCaption = "更改管理员密码";
// The prompt's answer to a wrong entry; the prompt then stays open.
inline constexpr BoxMessage kWrongPassword{BoxIcon::Error, kHintCaption, "密码错误 ！"};
// The change dialog's answer to two entries that differ; it then stays open.
inline constexpr BoxMessage kPasswordMismatch{BoxIcon::Error, kHintCaption,
                                              "您两次输入的密码不一致，请重新输入！"};
// The change dialog's answer to an empty new password; it then stays open.
inline constexpr BoxMessage kPasswordEmpty{BoxIcon::Error, kHintCaption, "新密码不能为空。"};
// The fewest characters (code page 936 characters, not bytes) of a new password. A stored
// password that is shorter, set before or by hand, is still taken at the prompt; the default
// "tivrel" has six.
inline constexpr size_t kMinPasswordLength = 6;
// The change dialog's answer to a new password shorter than that; it then stays open.
inline constexpr BoxMessage kPasswordTooShort{BoxIcon::Error, kHintCaption,
                                              "新密码至少要有 6 个字符，请重新输入！"};
inline constexpr BoxMessage kPasswordChanged{BoxIcon::Information, kHintCaption,
                                             "管理员密码更改成功！"};

bool AdminPasswordMatches(const TSysOption& sysOption, std::string_view entry);

// The prompt's answer to an entry given while the wait after a wrong one runs (see
// PasswordGuard): how many seconds are left, rounded up. The entry is then not checked.
BoxText PasswordWaitMessage(std::chrono::milliseconds remaining);

// Trims both entries. When the new password is empty (kPasswordEmpty, whatever the
// confirmation), shorter than kMinPasswordLength (kPasswordTooShort) or the two differ
// (kPasswordMismatch), returns that refusal and changes nothing. Otherwise sets Password to the
// trimmed entry, saves the system options and returns nothing. Raises IoError "Unable to write to
// %s" when saving fails; the new password is then already in effect in memory.
std::optional<BoxMessage> ChangeAdminPasswordTo(TSysOption& sysOption, std::string_view entry,
                                                std::string_view confirmation);

}  // namespace keydesk
