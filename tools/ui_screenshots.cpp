// Takes the README's pictures of the real main window (with a few requests served), door lock
// options dialog, door lock test dialog after a card was written and read, and card journal,
// run against the simulated encoder in a scratch folder:
//   xvfb-run -a build/ui_screenshots docs
#include <QApplication>
#include <QPushButton>
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
#include "platform/socket.h"
#include "ui/doorlock_test_form.h"
#include "ui/journal_form.h"
#include "ui/gui_main.h"
#include "ui/main_form.h"
#include "ui/option_form.h"
#include "ui/qt_translations.h"

namespace {

// A PMS request over the loopback, its response read away.
void Ask(uint16_t port, const std::string& request) {
  keydesk::Socket socket = keydesk::Socket::ConnectLoopback(port);
  socket.SendAll(request + std::string(1, '\0'));
  char buffer[4096];
  while (socket.Receive(buffer, sizeof buffer) > 0) {
  }
}

std::string IssueRequest(const char* room, const char* guest) {
  return std::string("<DoorRequest type=\"IssueCard\"><Ignored/><RegisterId>R1</RegisterId>"
                     "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode>"
                     "<RoomNo>") +
         room + "</RoomNo><GuestName>" + guest +
         "</GuestName><CheckInDate>2026-12-08</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
         "<CheckOutDate>2026-12-10</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime>"
         "<IsCopy>False</IsCopy></DoorRequest>";
}

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
  InstallQtChineseTexts();
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
  sysOption.SaveDoorlockRecord = true;
  sysOption.Save();
  std::string error;
  TDoorlockRecordManager::CreateDatabase(file(TDoorlockRecordManager::kFileName), error);

  StartupSettings settings;
  settings.Folder = QFile::encodeName(scratch.path()).toStdString();
  settings.CardLibraryPath = KEYDESK_BUILD_DIR "/libdrevan.so";
  settings.ShowDoorlockOptions = ShowDoorlockOptions;
  Application application(std::move(settings));

  TMainForm mainForm(application.Context(), application.Kind());
  Ask(mainForm.Server().Port(), IssueRequest("08", "王先生"));
  Ask(mainForm.Server().Port(), IssueRequest("09", "李女士"));
  Ask(mainForm.Server().Port(), "<DoorRequest type=\"ReadCard\"/>");
  mainForm.RefreshStatus();
  bool saved = Save(mainForm, folder, "main_window.png");
  mainForm.show();
  TOptionForm optionForm(application.Context().Option, &mainForm);
  saved = Save(optionForm, folder, "option_form.png") && saved;
  TDoorlockTestForm testForm(static_cast<DoorlockKind&>(application.Kind()).Service(), &mainForm);
  testForm.WriteCardBtn->click();
  testForm.ReadCardBtn->click();
  saved = Save(testForm, folder, "doorlock_test_form.png") && saved;
  TJournalForm journalForm(application.Context().RecordStore, &mainForm);
  saved = Save(journalForm, folder, "journal_form.png") && saved;
  return saved ? 0 : 1;
}
