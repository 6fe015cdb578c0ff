#include "core/field_conversion.h"

#include <string>

#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"

namespace keydesk {
namespace {

template <class Convert>
auto Converted(std::string_view text, std::string_view label, std::string_view takes,
               Convert convert) {
  try {
    return convert(text);
  } catch (const ConvertError& error) {
    throw ConvertError(
        std::string(error.what()) + "\n" +
        AnsiFromUtf8("“" + std::string(label) + "”要填写" + std::string(takes) + "，现在是“") +
        std::string(text) + AnsiFromUtf8("”。"));
  }
}

}  // namespace

int32_t FieldToInt(std::string_view text, std::string_view label) {
  return Converted(text, label, "整数", [](std::string_view typed) { return StrToInt(typed); });
}

int64_t FieldToInt64(std::string_view text, std::string_view label) {
  return Converted(text, label, "整数", [](std::string_view typed) { return StrToInt64(typed); });
}

DateTime FieldToDateTime(std::string_view text, std::string_view label) {
  return Converted(text, label, "日期和时间，如 2026-12-09 14:00:00",
                   [](std::string_view typed) { return StrToDateTime(typed); });
}

}  // namespace keydesk
