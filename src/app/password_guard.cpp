#include "app/password_guard.h"

#include <algorithm>

namespace keydesk {

PasswordGuard::Now PasswordGuard::SteadyNow() {
  return [] { return std::chrono::steady_clock::now(); };
}

PasswordGuard::PasswordGuard(Now now) : now_(std::move(now)) {}

std::chrono::seconds PasswordGuard::WaitAfter(int failures) {
  if (failures <= 0) return std::chrono::seconds(0);
  // Doubling from 1 s passes the longest wait at the sixth failure; the shift stays small.
  const int doublings = std::min(failures - 1, 5);
  return std::min(std::chrono::seconds(int64_t{1} << doublings), kLongestWait);
}

std::chrono::milliseconds PasswordGuard::Remaining() const {
  if (failures_ == 0) return std::chrono::milliseconds(0);
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextEntry_ - now_());
  return std::max(left, std::chrono::milliseconds(0));
}

std::chrono::seconds PasswordGuard::Failed() {
  ++failures_;
  const std::chrono::seconds wait = WaitAfter(failures_);
  nextEntry_ = now_() + wait;
  return wait;
}

void PasswordGuard::Succeeded() { failures_ = 0; }

}  // namespace keydesk
