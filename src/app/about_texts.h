#pragma once

#include <string>

namespace keydesk {

// The about box's texts, UTF-8. The caption and first line name the interface kind; a number
// that is no kind keeps the box's own caption and title.
inline constexpr const char* kAboutCaption = "关于...";
inline constexpr const char* kAboutTitle = "MarveskOxbel接口";
inline constexpr const char* kAboutVersion = "版本 1.0.0.0";
inline constexpr const char* kAboutCopyright = "版权所有 (C) MarveskOxbel";
inline constexpr const char* kAboutCompany = "MarveskOxbel 信息技术有限公司";

std::string AboutCaption(int interfaceKind);
std::string AboutTitle(int interfaceKind);

// The about box's memo, UTF-8: the program and its build, the card library in use (its
// description, code page 936; empty when none is loaded) and the data folder (code page 936).
std::string AboutMemo(const std::string& library, const std::string& folder);

}  // namespace keydesk
