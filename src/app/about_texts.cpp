#include "app/about_texts.h"

#include "kinds/kind_registry.h"

namespace keydesk {

std::string AboutCaption(int interfaceKind) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  return kind != nullptr ? std::string("关于 ") + kind->Title : kAboutCaption;
}

std::string AboutTitle(int interfaceKind) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  return kind != nullptr ? kind->Title : kAboutTitle;
}

}  // namespace keydesk
