#pragma once

#include "core/box_message.h"

namespace keydesk {

// What the Options command of kinds 2 to 4 shows for a simulated device, which has nothing to
// set, so that Options after the password does not seem to do nothing.
inline constexpr BoxMessage kNoDeviceOptions{BoxIcon::Information, kHintCaption,
                                             "模拟设备没有可设置的选项。"};

}  // namespace keydesk
