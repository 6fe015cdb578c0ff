#include "doorlock/encoder_access.h"

#include "core/service_status.h"
#include "platform/code_page.h"

namespace keydesk {

EncoderAccess::EncoderAccess(TBaseDoorlock& driver, std::chrono::milliseconds callLimit,
                             ServiceStatus* status)
    : driver_(driver), status_(status), line_(callLimit, [status] {
        if (status != nullptr) status->EncoderAnswersAgain();
      }) {}

std::optional<EncoderRefusal> EncoderAccess::Run(const EncoderRequest& request,
                                                 const std::shared_ptr<EncoderJob>& job) {
  switch (line_.Run(request.Host, request.Deadline, request.ClientGone, job)) {
    case EncoderLine::Result::Done:
      return std::nullopt;
    case EncoderLine::Result::Busy:
      return EncoderRefusal{EncoderRefusal::Kind::Busy, AnsiFromUtf8("发卡器忙")};
    case EncoderLine::Result::Gone:
      return EncoderRefusal{EncoderRefusal::Kind::Gone, AnsiFromUtf8("PMS 已断开")};
    case EncoderLine::Result::StuckBefore:
      return Stuck(EncoderRefusal::Kind::StuckBefore);
    case EncoderLine::Result::Stuck:
      break;
  }
  EncoderRefusal refusal = Stuck(EncoderRefusal::Kind::Stuck);
  if (status_ != nullptr) {
    status_->EncoderStuck(refusal.Reason,
                          line_.StuckSince().value_or(std::chrono::steady_clock::now()));
  }
  return refusal;
}

EncoderRefusal EncoderAccess::Stuck(EncoderRefusal::Kind kind) const {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(line_.Limit()).count();
  return {kind, AnsiFromUtf8("发卡器 " + std::to_string(seconds) + " 秒没有响应")};
}

}  // namespace keydesk
