#include "kinds/handler_lines.h"

#include "platform/code_page.h"

namespace keydesk {

const std::string kReceivedLine = AnsiFromUtf8("收到消息: \r\n");
const std::string kExecutingLine = AnsiFromUtf8("执行操作->");
const std::string kReturnedLine = AnsiFromUtf8("返回数据:");
const std::string kDoneLine = AnsiFromUtf8("完成一次操作");

}  // namespace keydesk
