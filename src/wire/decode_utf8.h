#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// Decodes request bytes from the wire. Sequences of one, two or three bytes only (the lead
// byte's bit 5 chooses two or three); every continuation byte must be 10xxxxxx and the input
// must not end inside a sequence, otherwise the whole result is empty: no replacement
// characters, no partial result.
std::u16string DecodeUtf8(std::string_view bytes);

}  // namespace keydesk
