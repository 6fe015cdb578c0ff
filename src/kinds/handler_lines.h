#pragma once

#include <string>

namespace keydesk {

class TLogFile;
class TXmlDoc;

// Texts that several handlers log or answer, in code page 936.
extern const std::string kReceivedLine;   // "收到消息: " and CR LF, before the request
extern const std::string kExecutingLine;  // "执行操作->"
extern const std::string kReturnedLine;   // "返回数据:", before the response
extern const std::string kDoneLine;       // "完成一次操作"
inline constexpr const char* kSucceededCode = "200";
inline constexpr const char* kFailedCode = "500";

// Parses a request into document and logs its receipt: kReceivedLine with the request, then
// kExecutingLine, both in one write once the request has parsed. A request that does not
// parse gets only the first line, and the parser's error goes on to the caller.
void ParseAndLogReceipt(const std::string& ansiRequest, TXmlDoc& document, TLogFile& log);

}  // namespace keydesk
