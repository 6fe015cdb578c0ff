#include "app/admin_password.h"

#include "core/sys_option.h"
#include "platform/conversions.h"

namespace keydesk {

bool AdminPasswordMatches(const TSysOption& sysOption, std::string_view entry) {
  return Trim(entry) == sysOption.Password;
}

std::optional<BoxMessage> ChangeAdminPasswordTo(TSysOption& sysOption, std::string_view entry,
                                                std::string_view confirmation) {
  const std::string_view password = Trim(entry);
  // An empty password lets anyone at the desk past the prompt with Enter.
  if (password.empty()) return kPasswordEmpty;
  if (password != Trim(confirmation)) return kPasswordMismatch;
  sysOption.Password = std::string(password);
  sysOption.Save();
  return std::nullopt;
}

}  // namespace keydesk
