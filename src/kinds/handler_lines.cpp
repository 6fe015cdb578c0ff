#include "kinds/handler_lines.h"

#include <array>

#include "core/log_file.h"
#include "platform/code_page.h"
#include "wire/xml_doc.h"

namespace keydesk {

const std::string kReceivedLine = AnsiFromUtf8("收到消息: \r\n");
const std::string kExecutingLine = AnsiFromUtf8("执行操作->");
const std::string kReturnedLine = AnsiFromUtf8("返回数据:");
const std::string kDoneLine = AnsiFromUtf8("完成一次操作");

void ParseAndLogReceipt(const std::string& ansiRequest, TXmlDoc& document, TLogFile& log) {
  const std::array<std::string, 2> lines = {kReceivedLine + log.RequestText(ansiRequest),
                                            kExecutingLine};
  try {
    document.ParseText(ansiRequest);
  } catch (...) {
    log.Write(lines[0]);
    throw;
  }
  log.WriteLines(lines);
}

}  // namespace keydesk
