#pragma once

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMetaObject>
#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace keydesk {

// What the test dialogs share: a line that says what the last button did, and encoder calls
// made off the main thread, so that the window keeps painting while a slow encoder works.
// During a call the cursor is busy, every button of the dialog is disabled and the dialog
// cannot be closed; afterwards the focus is back on the pressed button. Enter, also on the
// keypad, presses the focused button; the buttons are no default buttons, so Enter in an
// entry presses none.
class TestDialog : public QDialog {
 public:
  explicit TestDialog(QWidget* parent) : QDialog(parent) {}

  // The line under the controls; the form places it.
  QLabel* ResultLbl = nullptr;

  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

  // Shows the outcome (code page 936) in ResultLbl.
  void ShowOutcome(const std::string& text);

  // Runs call on a thread of its own and waits for it without blocking the window; its
  // result, or the error it raised, comes back here.
  template <typename Call>
  auto RunEncoderCall(Call&& call) -> decltype(call());

 private:
  void SetBusy(bool busy);
  void closeEvent(QCloseEvent* event) override;

  bool busy_ = false;
  QPushButton* pressed_ = nullptr;  // had the focus when the call began
  QWidget* parked_ = nullptr;       // where disabling the buttons moved the focus
};

template <typename Call>
auto TestDialog::RunEncoderCall(Call&& call) -> decltype(call()) {
  using Result = decltype(call());
  SetBusy(true);
  std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
  std::exception_ptr error;
  QEventLoop loop;
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
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  SetBusy(false);
  if (error) std::rethrow_exception(error);
  if constexpr (!std::is_void_v<Result>) return std::move(*result);
}

}  // namespace keydesk
