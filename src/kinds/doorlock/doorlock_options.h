#pragma once

#include <string>
#include <vector>

#include "kinds/device_options.h"

namespace keydesk {

class SharedOption;

// The door lock driver's options ([DoorlockOption]), which TOptionForm shows and saves.
class DoorlockOptions final : public DeviceOptions {
 public:
  // option must outlive these options.
  explicit DoorlockOptions(SharedOption& option) : option_(option) {}

  std::string FormName() const override { return "TOptionForm"; }
  std::vector<OptionKeyText> KeyTexts() const override;

  SharedOption& Option() { return option_; }

 private:
  SharedOption& option_;
};

}  // namespace keydesk
