#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace keydesk {

// The system's inside text (code page 936) at the edge of the window, through UTF-16.
QString FromAnsi(std::string_view text);
std::string ToAnsi(const QString& text);

}  // namespace keydesk
