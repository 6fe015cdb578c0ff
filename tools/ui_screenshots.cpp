// Takes the README's pictures of the real main window (with a few requests served, one of
// them refused), door lock options dialog, door lock test dialog after a card was written and
// read, card journal and 系统设置 dialog, run against the simulated encoder in a scratch folder:
//   xvfb-run -a build/ui_screenshots docs
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/desk.h"
#include "app/journal_browser.h"
#include "app/system_settings.h"
#include "core/ipv4.h"
#include "core/sys_option.h"
#include "kinds/kind.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "store/doorlock_record_manager.h"
#include "ui/journal_form.h"
#include "ui/main_form.h"
#include "ui/option_form.h"
#include "ui/qt_translations.h"
#include "ui/settings_form.h"
#include "ui/test_panel_form.h"

namespace {

// A PMS request over the loopback, its response read away.
void Ask(uint16_t port, const std::string& request) {
  keydesk::Socket socket = keydesk::Socket::ConnectLoopback(port);
  socket.SendAll(request + std::string(1, '\0'));
  char buffer[4096];
  while (socket.Receive(buffer, sizeof buffer) > 0) {
  }
}

std::string IssueRequest(const char* room, const char* guest, const char* checkOutDate) {
  return std::string(
             "<DoorRequest type=\"IssueCard\"><Ignored/><RegisterId>R1</RegisterId>"
             "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode>"
             "<RoomNo>") +
         room + "</RoomNo><GuestName>" + guest +
         "</GuestName><CheckInDate>2026-12-08</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
         "<CheckOutDate>" +
         checkOutDate +
         "</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime>"
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
  Application application(std::move(settings));
  const ServiceContext& context = application.Context();
  Desk desk(context, application.Kind());

  TMainForm mainForm(desk);
  const auto port = static_cast<uint16_t>(context.Status.Get().Port);
  Ask(port, IssueRequest("08", "王先生", "2026-12-10"));
  Ask(port, IssueRequest("09", "李女士", "2026-12-11"));
  // Leaves before it came: refused, a red line.
  Ask(port, IssueRequest("10", "赵先生", "2026-12-07"));
  Ask(port, "<DoorRequest type=\"ReadCard\"/>");
  // An operation is listed once its connection thread has finished it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (context.Status.Operations().Since(0).Total < 4 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  mainForm.RefreshStatus();
  bool saved = Save(mainForm, folder, "main_window.png");
  mainForm.show();
  TOptionForm optionForm(context.Option, &mainForm);
  saved = Save(optionForm, folder, "option_form.png") && saved;
  const std::unique_ptr<TestPanel> panel = application.Kind().MakeTestPanel();
  TTestPanelForm testForm(*panel, &mainForm);
  testForm.findChild<QPushButton*>(QStringLiteral("WriteCardBtn"))->click();
  testForm.findChild<QPushButton*>(QStringLiteral("ReadCardBtn"))->click();
  saved = Save(testForm, folder, "doorlock_test_form.png") && saved;
  JournalBrowser journal(context.RecordStore, context.SysOption, context.LocalClock,
                         application.Kind().EncoderReader());
  TJournalForm journalForm(journal, &mainForm);
  journalForm.RoomKeyTxt->setText(QStringLiteral("010208"));
  journalForm.RoomCardsBtn->click();
  journalForm.CheckCardBtn->click();  // the test dialog's card, of another room
  saved = Save(journalForm, folder, "journal_form.png") && saved;
  // As a new install's Option.ini opens it once its PMS was refused, rather than with the
  // scratch folder's port 0.
  TSysOption(file("Settings.ini")).Save();
  ProfileFile(file("Settings.ini")).WriteString("Network", "AllowedHosts", "127.0.0.1");
  SystemSettings systemSettings(file("Settings.ini"),
                                {{*ParseIpv4("192.168.1.20"), ConnectionRefusal::NotAllowed, 3}},
                                {*ParseIpv4("127.0.0.1"), *ParseIpv4("192.168.1.5")});
  TSettingsForm settingsForm(systemSettings, &mainForm);
  saved = Save(settingsForm, folder, "settings_form.png") && saved;
  return saved ? 0 : 1;
}
