#include "app/admin_password.h"

#include "core/sys_option.h"
#include "platform/conversions.h"

namespace keydesk {

bool AdminPasswordMatches(const TSysOption& sysOption, std::string_view entry) {
  return Trim(entry) == sysOption.Password;
}

bool ChangeAdminPasswordTo(TSysOption& sysOption, std::string_view entry,
                           std::string_view confirmation) {
  const std::string_view password = Trim(entry);
  if (password != Trim(confirmation)) return false;
  sysOption.Password = std::string(password);
  sysOption.Save();
  return true;
}

}  // namespace keydesk
