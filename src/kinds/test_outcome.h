#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// The line a test dialog shows after one of its buttons, code page 936: the action (UTF-8,
// as on the button), whether it succeeded, and what the device gave back (code page 936),
// e.g. "读卡成功：卡号 1".
std::string TestOutcomeText(std::string_view actionUtf8, bool succeeded,
                            std::string_view details = {});

// The line after an action whose device reports nothing back (Beep).
std::string TestDoneText(std::string_view actionUtf8);

}  // namespace keydesk
