#include <pwd.h>
#include <unistd.h>

#include <array>
#include <vector>

#include "platform/code_page.h"
#include "platform/user_name.h"

namespace keydesk {

std::string UserName() {
  // The account of the real user id first: getlogin needs a terminal, which a desktop
  // program started from a menu lacks.
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return AnsiFromUtf8(found->pw_name);
  }
  std::array<char, 256> login{};
  if (getlogin_r(login.data(), login.size() - 1) == 0) return AnsiFromUtf8(login.data());
  return {};
}

}  // namespace keydesk
