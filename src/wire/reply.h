#pragma once

#include <string>
#include <string_view>

namespace keydesk {

class TConnection;
class TLogFile;

// The wire frame of a response text in code page 936: its UTF-8 bytes and one NUL.
std::string ResponseFrame(std::string_view ansiText);

// Writes the response frame in one piece. When the write fails (the peer has gone), the
// error's message is written to failureLog as a line of its own, or swallowed silently when
// failureLog is null: the handlers differ in this, and the request goes on either way.
void SendResponseFrame(TConnection& connection, std::string_view ansiText, TLogFile* failureLog);

// Texts that several handlers log or answer, in code page 936.
extern const std::string kReceivedLine;   // "收到消息: " and CR LF, before the request
extern const std::string kExecutingLine;  // "执行操作->"
extern const std::string kReturnedLine;   // "返回数据:", before the response
extern const std::string kDoneLine;       // "完成一次操作"
inline constexpr const char* kSucceededCode = "200";
inline constexpr const char* kFailedCode = "500";

}  // namespace keydesk
