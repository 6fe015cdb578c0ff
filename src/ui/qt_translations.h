#pragma once

namespace keydesk {

// Installs Qt's own texts in Chinese (standard buttons such as "确定" and "取消", the text
// box menus), so that they read like the rest of the window. Call once, after the
// application object exists; false when the translations are not installed.
bool InstallQtChineseTexts();

}  // namespace keydesk
