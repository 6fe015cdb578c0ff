#include "core/status_text.h"

#include <algorithm>

#include "core/ipv4.h"
#include "core/operation_list.h"
#include "platform/code_page.h"

namespace keydesk {

namespace {

// Where the listener is: "端口 8886" or "192.168.1.5:8886".
std::string Place(const ServiceStatus::Snapshot& status) {
  const std::string port = std::to_string(status.Port);
  if (status.ListenAddress.empty()) return AnsiFromUtf8("端口 " + port);
  return status.ListenAddress + ":" + port;
}

std::string Joined(std::string first, const std::string& second) {
  if (!first.empty() && !second.empty()) first += AnsiFromUtf8("；");
  return first + second;
}

}  // namespace

std::string ListenerStatusText(const ServiceStatus::Snapshot& status) {
  if (status.Listening) {
    if (status.ListenAddress.empty())
      return AnsiFromUtf8("正在监听") + Place(status) + AnsiFromUtf8("（本机所有地址）");
    return AnsiFromUtf8("正在监听 ") + Place(status);
  }
  if (!status.NotListeningReason.empty()) {
    return AnsiFromUtf8("没有监听（") + Place(status) + AnsiFromUtf8("）：") +
           status.NotListeningReason;
  }
  return AnsiFromUtf8("没有监听");
}

bool ListenerAlarm(const ServiceStatus::Snapshot& status) {
  return !status.Listening && !status.NotListeningReason.empty();
}

bool EncoderAlarm(const ServiceStatus::Snapshot& status) {
  return status.EncoderStuck || status.EncoderFailuresInARow >= kEncoderAlarmFailures;
}

std::string EncoderStatusText(const ServiceStatus::Snapshot& status) {
  if (status.Encoder.empty()) return AnsiFromUtf8("没有发卡器");
  std::string text = status.SimulatedEncoder
                         ? AnsiFromUtf8("模拟发卡器，不能制作真卡：") + status.Encoder
                         : AnsiFromUtf8("发卡器：") + status.Encoder;
  if (status.EncoderStuck) {
    text += AnsiFromUtf8("；") + *status.EncoderStuck +
            AnsiFromUtf8("，请求都答复失败，直到它响应；请检查发卡器，或重新启动 keydesk");
  } else if (EncoderAlarm(status)) {
    text += AnsiFromUtf8("；连续 " + std::to_string(status.EncoderFailuresInARow) +
                         " 次读写卡没有成功，请检查发卡器的连接、电源和卡");
  }
  return text;
}

std::string RequestStatusText(const ServiceStatus::Snapshot& status) {
  std::string text = AnsiFromUtf8("已答复请求 " + std::to_string(status.Answered) + " 次");
  if (!status.Last) return text;
  const ServiceStatus::LastRequest& last = *status.Last;
  text += AnsiFromUtf8("；最近一次 ") + FormatDateTime("yyyy-mm-dd hh:nn:ss", last.Time) + " ";
  text += OperationName(last.Type) + " ";
  if (!last.Answered) return text + AnsiFromUtf8("没有答复");
  if (last.Result.empty()) return text + AnsiFromUtf8("已答复");
  return text + AnsiFromUtf8(last.Result == "200" ? "成功" : "失败");
}

std::string StoreWarningText(const ServiceStatus::Snapshot& status) {
  std::string text;
  if (status.LogFailure) {
    text = Joined(text, AnsiFromUtf8("警告：日志文件无法写入：") + *status.LogFailure);
  }
  if (status.JournalFailure) {
    text = Joined(text, AnsiFromUtf8("警告：发卡记录无法写入数据库：") + *status.JournalFailure);
  }
  if (status.LogOverBudget) text = Joined(text, AnsiFromUtf8("警告：") + *status.LogOverBudget);
  if (status.AccessLogFailure) {
    text = Joined(text, AnsiFromUtf8("警告：访问日志无法写入：") + *status.AccessLogFailure);
  }
  return text;
}

std::string AccessWarningText(const ServiceStatus::Snapshot& status) {
  if (status.OpenToAnyHost.empty()) return {};
  if (status.OpenThrough.empty()) {
    return AnsiFromUtf8(
               "警告：没有设置允许连接的主机（系统设置的“允许连接的主机”，Option.ini [Network] "
               "AllowedHosts），"
               "网络上的任何主机都能") +
           status.OpenToAnyHost;
  }
  const std::string named =
      AnsiFromUtf8(
          "警告：允许连接的主机（系统设置的“允许连接的主机”，Option.ini [Network] AllowedHosts）") +
      (AllowedHosts::IsAnyHost(status.OpenThrough)
           ? AnsiFromUtf8("设为“") + status.OpenThrough + AnsiFromUtf8("”，")
           : AnsiFromUtf8("中的“") + status.OpenThrough + AnsiFromUtf8("”范围太宽（超过 /8），"));
  return named + AnsiFromUtf8("网络上的任何主机都能") + status.OpenToAnyHost;
}

const char* RefusalReasonText(ConnectionRefusal why) {
  switch (why) {
    case ConnectionRefusal::NotAllowed:
      return "不在允许的主机中";
    case ConnectionRefusal::TooManyConnections:
      return "连接总数已满（MaxConnections），没有等待请求的连接可以关闭";
    case ConnectionRefusal::TooManyFromHost:
      return "这台主机的连接数已满（MaxConnectionsPerHost），没有等待请求的连接可以关闭";
    case ConnectionRefusal::NoDescriptor:
      return "系统的文件句柄已用完";
    case ConnectionRefusal::NoThread:
      break;
  }
  return "无法为连接启动线程";
}

std::string RefusedHostsText(const ServiceStatus::RefusedHosts& refused) {
  return AnsiFromUtf8("拒绝了 " + Ipv4Text(refused.Host) + " 的 " + std::to_string(refused.Count) +
                      " 次连接：" + RefusalReasonText(refused.Why));
}

std::string RefusalText(const ServiceStatus::Snapshot& status) {
  // The few hosts refused most; a scan of the network must not fill the window.
  constexpr size_t kShown = 3;
  std::vector<ServiceStatus::RefusedHosts> refused = status.Refused;
  std::stable_sort(refused.begin(), refused.end(),
                   [](const auto& a, const auto& b) { return a.Count > b.Count; });
  std::string text;
  uint64_t others = status.RefusedElsewhere;
  for (size_t i = 0; i < refused.size(); ++i) {
    if (i < kShown) {
      text = Joined(text, RefusedHostsText(refused[i]));
    } else {
      others += refused[i].Count;
    }
  }
  if (others > 0) {
    text = Joined(text, AnsiFromUtf8("另有 " + std::to_string(others) + " 次连接被拒绝"));
  }
  return text;
}

std::string UnverifiedStoreWarningText(const ServiceStatus::Snapshot& status) {
  if (status.UnverifiedStoreServer.empty()) return {};
  return AnsiFromUtf8(
             "警告：没有验证记录库服务器的证书（系统设置的“核对服务器证书”，Option.ini [Store] "
             "VerifyServer=0），"
             "局域网上的机器可以冒充 ") +
         status.UnverifiedStoreServer + AnsiFromUtf8("，读取和改写房间时间与发卡记录");
}

std::string WarningText(const ServiceStatus::Snapshot& status) {
  return Joined(Joined(Joined(AccessWarningText(status), UnverifiedStoreWarningText(status)),
                       StoreWarningText(status)),
                RefusalText(status));
}

}  // namespace keydesk
