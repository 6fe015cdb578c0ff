#pragma once

#include <string>

#include "core/option_key.h"
#include "platform/profile_binding.h"

namespace keydesk {

// A field bound to its key's description: section, name and default come from the one
// description of the key.
template <class Owner, class Value>
ProfileBinding<Owner> Bind(const OptionKey& key, Value Owner::*field) {
  if constexpr (std::is_same_v<Value, std::string>) {
    return ProfileBinding<Owner>(key.Section, key.Name, field, key.Default);
  } else {
    return ProfileBinding<Owner>(key.Section, key.Name, field,
                                 static_cast<Value>(key.NumberDefault()));
  }
}

}  // namespace keydesk
