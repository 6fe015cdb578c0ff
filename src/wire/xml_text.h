#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// A value made fit to stand between the tags of a response: "&", "<" and ">" become "&amp;",
// "&lt;" and "&gt;"; control characters other than tab, CR and LF (NUL included), which XML
// cannot carry, become "?"; every other byte is kept. Responses are assembled as plain text, so a
// device or guest value holding these characters would otherwise break the document or
// forge elements.
//
// Works on code page 936 text byte by byte: the trail byte of a double-byte character is
// never one of the three.
std::string EscapeXmlText(std::string_view text);

}  // namespace keydesk
