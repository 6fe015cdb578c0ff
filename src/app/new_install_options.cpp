#include "app/new_install_options.h"

#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/new_file.h"
#include "platform/paths.h"

namespace keydesk {

std::string WriteNewInstallOptions(const std::string& folder) {
  const std::string path = PathInFolder(folder, "Option.ini");
  std::string reason;
  if (ExaminePath(path, &reason) != PathState::Missing) return {};
  FileRewrite file(path);
  // Made meanwhile, or a name that cannot be read: it is not ours to replace.
  if (!file.Existing() || !file.Existing()->empty()) return {};
  // Comments on lines of their own, as Windows reads profile files; code page 936, CR LF.
  const std::string content =
      "[Network]\r\n" +
      AnsiFromUtf8(
          "; 允许连接的主机：PMS 的地址或地址范围，如 192.168.1.20, 192.168.2.0/24；"
          "127.0.0.1 是本机；any 允许任何主机\r\n") +
      "AllowedHosts=" + kNewInstallAllowedHosts + "\r\n";
  if (!file.Commit(content)) throw IoError("Unable to write to " + AnsiFromPath(path));
  return path;
}

}  // namespace keydesk
