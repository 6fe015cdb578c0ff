#include "app/instance_guard.h"

#include "kinds/kind_registry.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"

namespace keydesk {

std::unique_ptr<FolderLock> HoldFolderForKind(const std::string& folder, int interfaceKind) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  const std::string name = kind != nullptr ? kind->AccessName : std::to_string(interfaceKind);
  auto lock = std::make_unique<FolderLock>(PathInFolder(folder, "keydesk-" + name + ".lock"));
  if (lock->GetState() == FolderLock::State::HeldByAnother) {
    const std::string title = kind != nullptr ? kind->Title : "keydesk";
    throw Error(AnsiFromUtf8(title + "已经在 ") + AnsiFromPath(folder) +
                AnsiFromUtf8(" 运行，同一个文件夹不能再启动一个。请使用已经打开的那个窗口。"));
  }
  return lock;
}

}  // namespace keydesk
