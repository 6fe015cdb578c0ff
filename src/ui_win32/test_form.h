#pragma once

#include <atomic>
#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

#include "ui_win32/dialog.h"

namespace keydesk {

// What the test dialogs share: a line that says what the last button did, and encoder calls
// made off the main thread, so that the window keeps painting while a slow encoder works.
// During a call every button is disabled and the dialog cannot be closed; afterwards the
// keyboard focus is back on the pressed button.
class TestForm : public Dialog {
 protected:
  TestForm(int templateId, SIZE clientSize)
      : Dialog(templateId, clientSize, Placement::CentredOnOwner) {}

  void OnCancel() override;
  // Shows the outcome (code page 936) in the result line.
  void ShowOutcome(const std::string& text);

  // Runs call on a thread of its own and pumps this thread's messages until it returns; its
  // result, or the error it raised, comes back here.
  template <typename Call>
  auto RunEncoderCall(Call&& call) -> decltype(call());

 private:
  void SetBusy(bool busy);
  void PumpUntil(const std::atomic<bool>& done);

  bool busy_ = false;
  HWND pressed_ = nullptr;  // had the focus when the call began
};

template <typename Call>
auto TestForm::RunEncoderCall(Call&& call) -> decltype(call()) {
  using Result = decltype(call());
  SetBusy(true);
  std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
  std::exception_ptr error;
  std::atomic<bool> done{false};
  const HWND dialog = Handle();
  std::thread worker([&] {
    try {
      if constexpr (std::is_void_v<Result>) {
        call();
      } else {
        result = call();
      }
    } catch (...) {
      error = std::current_exception();
    }
    done = true;
    // Wakes the pump; the window itself is touched on the main thread only.
    PostMessageW(dialog, WM_NULL, 0, 0);
  });
  PumpUntil(done);
  worker.join();
  SetBusy(false);
  if (error) std::rethrow_exception(error);
  if constexpr (!std::is_void_v<Result>) return std::move(*result);
}

}  // namespace keydesk
