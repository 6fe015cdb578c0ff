#include "store/store_guard.h"

#include <exception>
#include <optional>
#include <string>

#include "core/log_file.h"
#include "core/service_status.h"

namespace keydesk {

bool StoreGuard::Run(const std::function<void()>& body, bool report,
                     std::string* failureText) const noexcept {
  std::optional<std::string> failure;
  try {
    try {
      body();
    } catch (const std::exception& error) {
      failure = error.what();
    } catch (...) {
      failure = "unknown error";
    }
    if (failure && failureText != nullptr) *failureText = *failure;
    if (failure) log_.Write(*failure);
    if (report && status_ != nullptr) {
      if (failure) {
        status_->WriteFailed(ServiceStatus::Store::Journal, *failure);
      } else {
        status_->WriteSucceeded(ServiceStatus::Store::Journal);
      }
    }
  } catch (...) {
    // The log itself failed; the store still must not raise.
  }
  return !failure;
}

}  // namespace keydesk
