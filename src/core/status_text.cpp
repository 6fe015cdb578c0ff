#include "core/status_text.h"

#include "platform/code_page.h"

namespace keydesk {

std::string ListenerStatusText(const ServiceStatus::Snapshot& status) {
  const std::string port = std::to_string(status.Port);
  if (status.Listening) return AnsiFromUtf8("正在监听端口 " + port);
  if (!status.NotListeningReason.empty()) {
    return AnsiFromUtf8("没有监听（端口 " + port + "）：") + status.NotListeningReason;
  }
  return AnsiFromUtf8("没有监听");
}

std::string EncoderStatusText(const ServiceStatus::Snapshot& status) {
  if (status.Encoder.empty()) return AnsiFromUtf8("没有发卡器");
  if (status.SimulatedEncoder) {
    return AnsiFromUtf8("模拟发卡器，不能制作真卡：") + status.Encoder;
  }
  return AnsiFromUtf8("发卡器：") + status.Encoder;
}

std::string RequestStatusText(const ServiceStatus::Snapshot& status) {
  std::string text = AnsiFromUtf8("已答复请求 " + std::to_string(status.Answered) + " 次");
  if (!status.Last) return text;
  const ServiceStatus::LastRequest& last = *status.Last;
  text += AnsiFromUtf8("；最近一次 ") + FormatDateTime("yyyy-mm-dd hh:nn:ss", last.Time) + " ";
  text += last.Type.empty() ? AnsiFromUtf8("无法读取的请求") : last.Type;
  text += " ";
  if (!last.Answered) {
    text += AnsiFromUtf8("没有答复");
  } else {
    text += last.Result.empty() ? AnsiFromUtf8("已答复") : last.Result;
  }
  return text;
}

std::string StoreWarningText(const ServiceStatus::Snapshot& status) {
  std::string text;
  if (status.LogFailure) {
    text += AnsiFromUtf8("警告：日志文件无法写入：") + *status.LogFailure;
  }
  if (status.JournalFailure) {
    if (!text.empty()) text += AnsiFromUtf8("；");
    text += AnsiFromUtf8("警告：发卡记录无法写入数据库：") + *status.JournalFailure;
  }
  return text;
}

}  // namespace keydesk
