#pragma once

#include <string>
#include <vector>

#include "core/option_key.h"

namespace keydesk {

// The options of a kind's device that the administrator sets in its Options dialog. Each front
// end lays the dialog out for the form named here, as it does a test panel; the desk compares
// the keys before and after, for the logs. Main thread only.
class DeviceOptions {
 public:
  virtual ~DeviceOptions() = default;

  // The form that shows them ("TOptionForm").
  virtual std::string FormName() const = 0;
  // Each key with its value now, in the order they are saved.
  virtual std::vector<OptionKeyText> KeyTexts() const = 0;
};

}  // namespace keydesk
