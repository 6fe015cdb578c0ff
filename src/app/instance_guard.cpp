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
  const std::string fileName = "keydesk-" + name + ".lock";
  auto lock = std::make_unique<FolderLock>(PathInFolder(folder, fileName));
  const std::string title = kind != nullptr ? kind->Title : "keydesk";
  switch (lock->GetState()) {
    case FolderLock::State::Held:
      return lock;
    case FolderLock::State::HeldByAnother:
      throw Error(AnsiFromUtf8(title + "已经在 ") + AnsiFromPath(folder) +
                  AnsiFromUtf8(" 运行，同一个文件夹不能再启动一个。请使用已经打开的那个窗口。"));
    case FolderLock::State::Unavailable:
      break;
  }
  // Without the lock nothing tells whether another one runs here: starting anyway could put
  // two on one folder.
  throw Error(AnsiFromUtf8("无法取得 ") + AnsiFromPath(folder) + AnsiFromUtf8(" 的锁文件 ") +
              fileName + AnsiFromUtf8("：") + lock->Reason() +
              AnsiFromUtf8("。不能确定这个文件夹没有另一个" + title + "在运行，keydesk 不启动"));
}

}  // namespace keydesk
