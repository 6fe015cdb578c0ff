#include "wire/reply.h"

#include "platform/code_page.h"
#include "wire/encode_utf8.h"

namespace keydesk {

std::string ResponseFrame(std::string_view ansiText) {
  std::string frame = EncodeUtf8(UnicodeFromAnsi(ansiText));
  frame.push_back('\0');
  return frame;
}

}  // namespace keydesk
