#include "wire/reply.h"

#include "intake/connection.h"
#include "core/log_file.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "wire/encode_utf8.h"

namespace keydesk {

const std::string kReceivedLine = AnsiFromUtf8("收到消息: \r\n");
const std::string kExecutingLine = AnsiFromUtf8("执行操作->");
const std::string kReturnedLine = AnsiFromUtf8("返回数据:");
const std::string kDoneLine = AnsiFromUtf8("完成一次操作");

std::string ResponseFrame(std::string_view ansiText) {
  std::string frame = EncodeUtf8(UnicodeFromAnsi(ansiText));
  frame.push_back('\0');
  return frame;
}

void SendResponseFrame(TConnection& connection, std::string_view ansiText, TLogFile* failureLog) {
  try {
    connection.Write(ResponseFrame(ansiText));
  } catch (const SocketError& error) {
    if (failureLog != nullptr) failureLog->Write(error.what());
  }
}

}  // namespace keydesk
