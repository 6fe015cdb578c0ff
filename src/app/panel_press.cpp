#include "app/panel_press.h"

#include "platform/errors.h"

namespace keydesk {

PanelPress::PanelPress(const TestPanel& panel, std::string button, PanelEntries entries,
                       std::function<void()> done)
    : worker_([this, &panel, button = std::move(button), entries = std::move(entries),
               done = std::move(done)] {
        try {
          result_ = panel.Press(button, entries);
        } catch (...) {
          error_ = std::current_exception();
        }
        if (done) done();
      }) {}

PanelPress::~PanelPress() {
  if (worker_.joinable()) worker_.join();
}

PanelResult PanelPress::Take() {
  if (worker_.joinable()) worker_.join();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  if (!result_) throw Error("The press's result was taken already");
  PanelResult result = std::move(*result_);
  result_.reset();
  return result;
}

}  // namespace keydesk
