// Takes the README's pictures of the real main window, door lock options dialog and door
// lock test dialog, run against the simulated encoder in a scratch folder:
//   xvfb-run -a build/ui_screenshots docs
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "core/sys_option.h"
#include "kinds/doorlock/doorlock_kind.h"
#include "store/doorlock_record_manager.h"
#include "ui/doorlock_test_form.h"
#include "ui/gui_main.h"
#include "ui/main_form.h"
#include "ui/option_form.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
  widget.show();
  QApplication::processEvents();
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!widget.grab().save(path)) {
    std::fprintf(stderr, "ui_screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  widget.hide();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace keydesk;
  if (argc != 2) {
    std::fprintf(stderr, "usage: ui_screenshots FOLDER\n");
    return 2;
  }
  QApplication qtApplication(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));

  // Removed with its contents when the program ends.
  const QTemporaryDir scratch;
  if (!scratch.isValid()) {
    std::fprintf(stderr, "ui_screenshots: %s\n", qPrintable(scratch.errorString()));
    return 1;
  }
  const auto file = [&scratch](const char* name) {
    return QFile::encodeName(scratch.filePath(QString::fromLatin1(name))).toStdString();
  };
  setenv("DREVAN_SIM_CARD", file("SimCard.txt").c_str(), 1);
  TSysOption sysOption(file("Option.ini"));
  sysOption.DoorlockPortNo = 0;  // any free port, so that no bind error box gets in the way
  sysOption.Save();
  std::string error;
  TDoorlockRecordManager::CreateDatabase(file(TDoorlockRecordManager::kFileName), error);

  StartupSettings settings;
  settings.Folder = QFile::encodeName(scratch.path()).toStdString();
  settings.CardLibraryPath = KEYDESK_BUILD_DIR "/libdrevan.so";
  settings.ShowDoorlockOptions = ShowDoorlockOptions;
  Application application(std::move(settings));

  TMainForm mainForm(application.Context(), application.Kind());
  bool saved = Save(mainForm, folder, "main_window.png");
  mainForm.show();
  TOptionForm optionForm(application.Context().Option, &mainForm);
  saved = Save(optionForm, folder, "option_form.png") && saved;
  TDoorlockTestForm testForm(static_cast<DoorlockKind&>(application.Kind()).Service(), &mainForm);
  saved = Save(testForm, folder, "doorlock_test_form.png") && saved;
  return saved ? 0 : 1;
}
