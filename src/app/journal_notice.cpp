#include "app/journal_notice.h"

#include "core/sys_option.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "store/record_store.h"

namespace keydesk {

bool JournalKept(const TSysOption& options, const RecordStore& store) {
  return options.SaveDoorlockRecord || store.Shared();
}

JournalNotice JournalOffNotice() {
  // The switch as the 系统设置 dialog names it; it takes effect at the next start.
  const OptionKey& key = *FindOptionKey(SysOptionKeys(), "DoorlockOption", "SaveDoorlockRecord");
  return {AnsiFromUtf8(std::string("没有记录发出的卡：“") + key.Caption +
                       "”没有打开。要记录，在“工具 > 系统设置”中打开它（Option.ini 的 [" +
                       key.Section + "] " + key.Name + "=1），然后重新启动 keydesk。"),
          false};
}

bool ReadForOperator(bool kept, const RecordStore& store, const std::function<void()>& read,
                     JournalNotice& notice) {
  try {
    read();
  } catch (const ConvertError&) {
    throw;
  } catch (const Error& error) {
    notice = kept ? JournalNotice{AnsiFromUtf8("发卡记录无法读取（") + store.Description() +
                                      AnsiFromUtf8("）：") + error.what(),
                                  true}
                  : JournalOffNotice();
    return false;
  }
  notice = kept ? JournalNotice{} : JournalOffNotice();
  return true;
}

}  // namespace keydesk
