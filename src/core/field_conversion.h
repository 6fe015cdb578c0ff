#pragma once

#include <cstdint>
#include <string_view>

#include "platform/date_time.h"

namespace keydesk {

// A value the clerk typed into a dialog's field, converted. A text that does not convert
// raises the system's ConvertError with its own text ("'abc' is not a valid integer value")
// followed by a Chinese line that names the field (its label, UTF-8) and what it takes.
int32_t FieldToInt(std::string_view text, std::string_view label);
int64_t FieldToInt64(std::string_view text, std::string_view label);
DateTime FieldToDateTime(std::string_view text, std::string_view label);

}  // namespace keydesk
