#include "core/option_key.h"

#include "platform/conversions.h"

namespace keydesk {

bool OptionKey::Strict() const {
  return Type != OptionType::Text && Type != OptionType::Integer && Type != OptionType::Port &&
         Type != OptionType::Switch && Type != OptionType::Connection;
}

int64_t OptionKey::NumberDefault() const { return TryStrToInt64(Default).value_or(0); }

const OptionKey* FindOptionKey(std::span<const OptionKey> keys, std::string_view section,
                               std::string_view name) {
  for (const OptionKey& key : keys) {
    if (SameAsciiText(key.Section, section) && SameAsciiText(key.Name, name)) return &key;
  }
  return nullptr;
}

}  // namespace keydesk
