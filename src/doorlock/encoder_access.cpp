#include "doorlock/encoder_access.h"

#include "core/service_status.h"
#include "platform/code_page.h"

namespace keydesk {

EncoderAccess::EncoderAccess(TBaseDoorlock& driver, std::chrono::milliseconds callLimit,
                             ServiceStatus* status)
    : driver_(driver), status_(status), line_(callLimit, [status] {
        if (status != nullptr) status->EncoderAnswersAgain();
      }) {}

namespace {

// Tells the service status what the encoder does for as long as the call runs, a call that
// outlives its limit included.
class ToldJob final : public EncoderJob {
 public:
  ToldJob(std::shared_ptr<EncoderJob> job, ServiceStatus& status, std::string doing)
      : job_(std::move(job)), status_(status), doing_(std::move(doing)) {}
  void Call() override {
    status_.EncoderBusy(doing_);
    try {
      job_->Call();
    } catch (...) {
      status_.EncoderIdle();
      throw;
    }
    status_.EncoderIdle();
  }
  void Abandoned() override { job_->Abandoned(); }

 private:
  const std::shared_ptr<EncoderJob> job_;
  ServiceStatus& status_;
  const std::string doing_;
};

}  // namespace

std::optional<EncoderRefusal> EncoderAccess::Run(const EncoderRequest& request,
                                                 const std::shared_ptr<EncoderJob>& given) {
  std::shared_ptr<EncoderJob> job = given;
  if (status_ != nullptr && !request.Doing.empty()) {
    job = std::make_shared<ToldJob>(given, *status_, request.Doing);
  }
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
