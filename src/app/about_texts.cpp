#include "app/about_texts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kinds/kind_registry.h"
#include "platform/code_page.h"

namespace keydesk {

std::string AboutCaption(int interfaceKind) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  return kind != nullptr ? std::string("关于 ") + kind->Title : kAboutCaption;
}

std::string AboutTitle(int interfaceKind) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  return kind != nullptr ? kind->Title : kAboutTitle;
}

namespace {

// The day this file was compiled, as 2026-12-10.
std::string BuildDay() {
  constexpr const char* kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const char* date = __DATE__;  // "Dec 10 2026"
  const char* month = std::strstr(kMonths, std::string(date, 3).c_str());
  char day[16] = {};
  std::snprintf(day, sizeof day, "%s-%02d-%02d", date + 7,
                month != nullptr ? static_cast<int>((month - kMonths) / 3 + 1) : 0,
                std::atoi(date + 4));
  return day;
}

}  // namespace

std::string AboutMemo(const std::string& library, const std::string& folder) {
  std::string memo = std::string("程序：keydesk ") + kAboutVersion + "，" +
                     std::to_string(sizeof(void*) * 8) + " 位，" +
#ifdef _WIN32
                     "Windows" +
#else
                     "Linux" +
#endif
                     "\n构建日期：" + BuildDay() + "\n";
  memo += library.empty() ? std::string("发卡库：没有载入") : Utf8FromAnsi(library);
  return memo + "\n数据文件夹：" + Utf8FromAnsi(folder);
}

}  // namespace keydesk
