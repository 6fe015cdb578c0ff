#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

namespace keydesk::test {

// Drives modal dialogs from inside their own event loops, as a person would: each step waits
// until the topmost modal widget is of its form class, then acts on it. Without a modal
// widget, a step acts on a dialog that is shown without being modal (the journal window). A modal
// widget that no step expects is recorded and rejected, so that a wrong dialog fails the test
// instead of hanging it. Polling runs only while some event loop runs, and stops when the script
// goes.
class ModalScript {
 public:
  ModalScript() {
    // Two scripts would each take the other's dialogs for unexpected ones.
    if (live_++ != 0) ADD_FAILURE() << "only one ModalScript may live at a time";
    Schedule();
  }
  ~ModalScript() { --live_; }
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  template <class Form>
  ModalScript& Then(std::function<void(Form&)> action) {
    steps_.push_back({typeid(Form).name(),
                      [](QWidget* widget) { return dynamic_cast<Form*>(widget) != nullptr; },
                      [action](QWidget* widget) { action(*dynamic_cast<Form*>(widget)); }});
    return *this;
  }

  // Every step has run.
  bool Finished() const { return steps_.empty(); }
  int StepsRun() const { return stepsRun_; }
  // The class names of modal widgets that came when no step expected them.
  const std::vector<std::string>& Unexpected() const { return unexpected_; }

 private:
  struct Step {
    std::string name;
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> act;
  };

  // A fresh single-shot timer each time, so that a step whose action runs a nested event loop
  // does not stop the polling inside it.
  void Schedule() {
    QTimer::singleShot(1, &context_, [this] { Poll(); });
  }

  void Poll() {
    Schedule();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
      if (steps_.empty()) return;
      for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog == nullptr || dialog->isModal() || !dialog->isVisible()) continue;
        if (!steps_.front().matches(dialog)) continue;
        const Step step = steps_.front();
        steps_.pop_front();
        ++stepsRun_;
        step.act(dialog);
        return;
      }
      return;
    }
    if (!steps_.empty() && steps_.front().matches(modal)) {
      const Step step = steps_.front();
      steps_.pop_front();
      ++stepsRun_;
      step.act(modal);
      return;
    }
    unexpected_.push_back(modal->objectName().isEmpty() ? typeid(*modal).name()
                                                        : modal->objectName().toStdString());
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  }

  QObject context_;
  std::deque<Step> steps_;
  std::vector<std::string> unexpected_;
  int stepsRun_ = 0;
  static inline int live_ = 0;
};

}  // namespace keydesk::test
