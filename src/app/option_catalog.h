#pragma once

#include <string>
#include <vector>

#include "core/option_key.h"

namespace keydesk {

// Every key of Option.ini that keydesk reads, each described once where its reader is: the
// system options, the door lock options, [Network] with [Log], and [Store]; in that order.
std::vector<const OptionKey*> OptionCatalog();

// The groups of 系统设置, in the order the dialog shows them.
std::vector<std::string> SettingGroups();

// The table of every key for docs/options.md, as Markdown (UTF-8), made from the catalog.
std::string OptionsTableMarkdown();

}  // namespace keydesk
