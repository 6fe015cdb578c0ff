// The UI tests' entry: a QApplication on the offscreen platform unless one was chosen, with
// Qt's own texts in Chinese as the program has them, and no message box ever waiting for a
// person.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/message_box.h"
#include "ui/qt_translations.h"

int main(int argc, char** argv) {
  // Test discovery runs this without the tests' environment.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || *platform == '\0') setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  if (!keydesk::InstallQtChineseTexts()) {
    std::fprintf(stderr, "Qt's Chinese texts are not installed (qt6-translations-l10n)\n");
    return 1;
  }
  keydesk::MessageBox::SetAnswerer([](const keydesk::MessageBox::Shown& shown) {
    ADD_FAILURE() << "unexpected message box: " << shown.caption.toStdString() << ": "
                  << shown.text.toStdString();
    return false;
  });
  return RUN_ALL_TESTS();
}
