#include "kinds/doorlock/doorlock_options.h"

#include "doorlock/option.h"

namespace keydesk {

std::vector<OptionKeyText> DoorlockOptions::KeyTexts() const { return option_.Get().KeyTexts(); }

}  // namespace keydesk
