#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "kinds/test_panel.h"

namespace keydesk {

// One press of a test panel's button, run on a thread of its own so that the window keeps
// painting while a slow device works. The front end waits in its own event loop until done
// is called, then takes the result on its own thread.
class PanelPress {
 public:
  // Starts the press at once; done is called on the press's thread when it has ended, and
  // must only wake the front end's loop. panel must outlive the press.
  PanelPress(const TestPanel& panel, std::string button, PanelEntries entries,
             std::function<void()> done);
  // Waits for the press to end.
  ~PanelPress();
  PanelPress(const PanelPress&) = delete;
  PanelPress& operator=(const PanelPress&) = delete;

  // Waits for the press to end, then gives its result, or raises its error here. Once.
  PanelResult Take();

 private:
  std::optional<PanelResult> result_;
  std::exception_ptr error_;
  std::thread worker_;
};

}  // namespace keydesk
