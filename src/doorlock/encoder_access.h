#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "doorlock/encoder_line.h"

namespace keydesk {

class ServiceStatus;
class TBaseDoorlock;

// Who asks for the encoder, for the order of turns and how long to wait.
struct EncoderRequest {
  uint32_t Host = 0;  // the client's IPv4 address; 0 for this desk's own window
  std::optional<std::chrono::steady_clock::time_point> Deadline;  // none: as long as it takes
  std::function<bool()> ClientGone;                               // none: the client stays
  // What the clerk is told while the call runs (ServiceStatus::EncoderBusy); empty: nothing.
  std::string Doing;
};

// Why a call of the encoder's did not run, or did not come back in time, code page 936 for
// the clerk and the log.
struct EncoderRefusal {
  enum class Kind {
    Busy,         // the request's deadline passed while it waited for its turn
    Gone,         // its client left while it waited
    StuckBefore,  // an earlier call is still stuck: this one did not run
    Stuck,        // this call did not come back within the limit; it may still finish
  };
  Kind What;
  std::string Reason;  // "发卡器忙", "PMS 已断开", "发卡器 30 秒没有响应"
};

// A call of the encoder's that keeps its results with it; for calls that leave nothing to do
// when given up on. The call must not reach anything of its caller's.
template <class Result>
class EncoderCall final : public EncoderJob {
 public:
  explicit EncoderCall(std::function<void(Result&)> call) : call_(std::move(call)) {}
  void Call() override { call_(Result_); }
  Result Result_{};

 private:
  std::function<void(Result&)> call_;
};

// The one way to the encoder: requests take turns (EncoderLine: in arrival order, hosts by
// turns, until each request's deadline), and each call runs on the encoder's own thread with
// a limit, past which the encoder counts as stuck, the service status says so, and later
// calls fail at once until the stuck one returns.
//
// Thread-safe.
class EncoderAccess {
 public:
  // driver and status (may be null) must outlive the access. callLimit zero: no limit.
  EncoderAccess(TBaseDoorlock& driver, std::chrono::milliseconds callLimit, ServiceStatus* status);

  TBaseDoorlock& Driver() { return driver_; }

  // Runs the job in the request's turn; none when it ran and came back in time.
  std::optional<EncoderRefusal> Run(const EncoderRequest& request,
                                    const std::shared_ptr<EncoderJob>& job);

  // Requests waiting for their turn now.
  size_t Waiting() const { return line_.Waiting(); }

  // Since when a call has been stuck; none while the encoder answers.
  std::optional<std::chrono::steady_clock::time_point> StuckSince() const {
    return line_.StuckSince();
  }

 private:
  EncoderRefusal Stuck(EncoderRefusal::Kind kind) const;

  TBaseDoorlock& driver_;
  ServiceStatus* const status_;
  EncoderLine line_;
};

}  // namespace keydesk
