#include "app/option_catalog.h"

#include <algorithm>
#include <span>

#include "app/store_choice.h"
#include "core/network_option.h"
#include "core/sys_option.h"
#include "doorlock/option.h"
#include "kinds/kind.h"
#include "kinds/kind_registry.h"

namespace keydesk {
namespace {

const char* TypeName(OptionType type) {
  switch (type) {
    case OptionType::Text:
      return "文本";
    case OptionType::Integer:
      return "整数";
    case OptionType::Port:
      return "端口号";
    case OptionType::Switch:
      return "开关（0 关，其他开）";
    case OptionType::Seconds:
      return "秒数";
    case OptionType::Count:
      return "个数";
    case OptionType::OnOff:
      return "1 或 0";
    case OptionType::Address:
      return "IPv4 地址";
    case OptionType::Hosts:
      return "地址和网段";
    case OptionType::Choice:
      return "名称";
    case OptionType::Connection:
      return "连接串";
  }
  return "";
}

const char* PlaceName(OptionPlace place) {
  switch (place) {
    case OptionPlace::FileOnly:
      return "只在 Option.ini";
    case OptionPlace::SystemSettings:
      return "系统设置";
    case OptionPlace::DoorlockOptions:
      return "门锁接口配置";
    case OptionPlace::PasswordDialog:
      return "更改管理员密码";
  }
  return "";
}

const char* EffectName(OptionEffect effect) {
  switch (effect) {
    case OptionEffect::Now:
      return "立即";
    case OptionEffect::ListenerRestart:
      return "重新监听后";
    case OptionEffect::NextStart:
      return "重新启动后";
  }
  return "";
}

// A table cell: a "|" would end it.
std::string Cell(std::string_view text) {
  std::string cell;
  for (const char c : text) {
    if (c == '|') cell += '\\';
    cell += c;
  }
  return cell;
}

}  // namespace

std::vector<const OptionKey*> OptionCatalog() {
  std::vector<const OptionKey*> keys;
  for (const std::span<const OptionKey> table :
       {SysOptionKeys(), DoorlockOptionKeys(), NetworkOption::Keys(), StoreChoice::Keys()}) {
    for (const OptionKey& key : table) keys.push_back(&key);
  }
  // A kind beyond the four describes its port key itself.
  for (const KindEntry& entry : KindRegistry()) {
    if (std::find(keys.begin(), keys.end(), entry.Info.Port) == keys.end()) {
      keys.push_back(entry.Info.Port);
    }
  }
  return keys;
}

std::vector<std::string> SettingGroups() {
  return {"接口端口", "日志", "发卡记录", "网络与安全", "共享数据库"};
}

std::string OptionsTableMarkdown() {
  std::string table =
      "| 节 | 键 | 类型 | 默认 | 取值 | 说明 | 设置处 | 生效 | 接口 | 读错时 |\n"
      "|---|---|---|---|---|---|---|---|---|---|\n";
  for (const OptionKey* key : OptionCatalog()) {
    const std::string help =
        *key->Caption != '\0' ? std::string(key->Caption) + "：" + key->Help : key->Help;
    table += "| " + Cell(key->Section) + " | `" + key->Name + "` | " + TypeName(key->Type) + " | " +
             (*key->Default != '\0' ? "`" + Cell(key->Default) + "`" : "（空）") + " | " +
             Cell(key->Rule) + " | " + Cell(help) + " | " + PlaceName(key->Place) + " | " +
             EffectName(key->Effect) + " | " + (*key->Kind != '\0' ? key->Kind : "全部") + " | " +
             (key->Strict() ? "停止启动" : "取默认值") + " |\n";
  }
  return table;
}

}  // namespace keydesk
