// The Windows main window and what its commands open, driven through window messages.
#include "ui_win32/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "core/interface_kind.h"
#include "core/log_file.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "dialog_script.h"
#include "doorlock/option.h"
#include "fixed_clock.h"
#include "kinds/kind.h"
#include "loopback_client.h"
#include "platform/code_page.h"
#include "store/doorlock_record_manager.h"
#include "store/issue_result.h"
#include "ui_win32/journal_form.h"
#include "ui_win32/resource_ids.h"
#include "window_test_application.h"

namespace keydesk {
namespace {

using test::Click;
using test::DialogScript;
using test::Type;
using test::Utf8Item;
using test::Utf8Text;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kTitle = "MarveskOxbel门锁接口";

// Types into the password prompt and presses "确定"; a wrong one is followed by "取消".
DialogScript::Step Enter(const char* password) {
  return [password](Dialog& prompt) {
    Type(prompt, IDC_EDTPSWD, password);
    Click(prompt, IDOK);
    if (!prompt.Ended()) Click(prompt, IDCANCEL);
  };
}

std::vector<std::string> MenuCaptions(HMENU menu) {
  std::vector<std::string> captions;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t caption[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
    captions.push_back(
        Utf8FromAnsi(AnsiFromUnicode(std::u16string(caption, caption + wcslen(caption)))));
  }
  return captions;
}

class MainFormTest : public ::testing::Test {
 protected:
  void Command(int id) { SendMessageW(form_.Handle(), WM_COMMAND, id, 0); }
  // Leaves the window's queue empty, so that posted messages have been handled.
  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  test::WindowTestApplication app_;
  TMainForm form_{app_.Desk()};
};

TEST_F(MainFormTest, OpensWithItsTitleMenuToolbarAndStartLine) {
  EXPECT_EQ(Utf8Text(form_.Handle()), kTitle);
  const HMENU menu = GetMenu(form_.Handle());
  EXPECT_THAT(MenuCaptions(menu), ElementsAre("文件(&F)", "工具(&T)", "帮助(&H)"));
  EXPECT_THAT(MenuCaptions(GetSubMenu(menu, 0)), ElementsAre("退出(&X)"));
  EXPECT_THAT(MenuCaptions(GetSubMenu(menu, 1)),
              ElementsAre("选项(&O)...", "系统设置(&S)...", "测试(&T)", "发卡记录(&J)...",
                          "打开日志(&L)...", "", "更改管理员密码(&C)"));
  EXPECT_THAT(MenuCaptions(GetSubMenu(menu, 2)), ElementsAre("关于(&A)..."));
  // Options, password, separator, about, separator, exit; each button's tip is its command.
  EXPECT_EQ(SendMessageW(form_.ToolBar(), TB_BUTTONCOUNT, 0, 0), 6);
  NMTTDISPINFOW tip{};
  tip.hdr = {reinterpret_cast<HWND>(SendMessageW(form_.ToolBar(), TB_GETTOOLTIPS, 0, 0)), ID_OPTION,
             TTN_GETDISPINFOW};
  SendMessageW(form_.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
  ASSERT_NE(tip.lpszText, nullptr);
  EXPECT_EQ(Utf8FromAnsi(
                AnsiFromUnicode(std::u16string(tip.lpszText, tip.lpszText + wcslen(tip.lpszText)))),
            "选项(O)...");
  EXPECT_EQ(Utf8Text(form_.InfoMemo()), "门锁接口监听服务器已经启动...\r\n");
  RECT client{};
  GetClientRect(form_.Handle(), &client);
  EXPECT_EQ(client.right, TMainForm::kClientSize.cx);
  EXPECT_EQ(client.bottom, TMainForm::kClientSize.cy);
}

TEST_F(MainFormTest, EveryMenuCommandIsTheDesksWithItsCaption) {
  const HMENU menu = GetMenu(form_.Handle());
  for (const DeskCommandInfo& command : DeskCommands()) {
    std::string found;
    for (int i = 0; i < GetMenuItemCount(menu) && found.empty(); ++i) {
      for (const std::string& caption : MenuCaptions(GetSubMenu(menu, i))) {
        if (caption == command.Caption) found = caption;
      }
    }
    EXPECT_EQ(found, command.Caption) << command.Name;
  }
}

// Whether the window draws the status bar's part itself, in its tone's colours.
bool OwnerDrawn(HWND statusBar, int part) {
  return (HIWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, part, 0)) & SBT_OWNERDRAW) != 0;
}

// A plain part's text as the status bar holds it, code page 936.
std::string BarText(HWND statusBar, int part) {
  const size_t length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, part, 0));
  std::wstring text(length + 1, L'\0');
  SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return AnsiFromUnicode(std::u16string(text.begin(), text.end()));
}

TEST_F(MainFormTest, WhileACardCallRunsItsTextStandsAboveThePanes) {
  ServiceStatus& status = app_.Context().Status;
  EXPECT_FALSE(GetWindowLongPtrW(form_.Busy(), GWL_STYLE) & WS_VISIBLE);
  status.EncoderBusy(AnsiFromUtf8("正在读卡，请勿移开卡片"));
  form_.RefreshStatus();
  EXPECT_EQ(Utf8FromAnsi(form_.BusyText()), "正在读卡，请勿移开卡片（已 0 秒）");
  EXPECT_TRUE(GetWindowLongPtrW(form_.Busy(), GWL_STYLE) & WS_VISIBLE);
  RECT busy{}, pane{};
  GetWindowRect(form_.Busy(), &busy);
  GetWindowRect(form_.InfoMemo(), &pane);
  EXPECT_GT(busy.bottom - busy.top, 0);
  EXPECT_GE(pane.top, busy.bottom);
  status.EncoderIdle();
  form_.RefreshStatus();
  EXPECT_EQ(form_.BusyText(), "");
  EXPECT_FALSE(GetWindowLongPtrW(form_.Busy(), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(MainFormTest, TheStateLineAndTheOperationsListShowWhatTheDeskGives) {
  // A request answered on a connection thread reaches the window on this one.
  test::LoopbackClient pms(static_cast<uint16_t>(app_.Port()));
  pms.SendFrame(R"(<DoorRequest type="ReadCard"/>)");
  ASSERT_TRUE(pms.ReadResponse().has_value());
  // The operation is added after the request was counted.
  ServiceStatus& status = app_.Context().Status;
  for (int wait = 0; wait < 1000 && status.Operations().Since(0).Total == 0; ++wait) Sleep(10);
  form_.RefreshStatus();

  // What a second desk over the same service says now.
  Desk probe(app_.Context(), app_.Kind());
  const std::optional<DeskState> state = probe.NewState();
  ASSERT_TRUE(state.has_value());
  const DeskState& shown = form_.ShownState();
  EXPECT_EQ(shown.Listener.Text, state->Listener.Text);
  EXPECT_EQ(shown.Encoder.Text, state->Encoder.Text);
  EXPECT_EQ(shown.Requests.Text, state->Requests.Text);
  EXPECT_EQ(shown.Warning.Text, state->Warning.Text);
  // The bar's parts, left to right: a plain one holds its text, the window draws the others.
  const StatePart* bar[] = {&state->Listener, &state->Encoder, &state->Requests};
  for (int part = 0; part < 3; ++part) {
    const bool plain = bar[part]->Tone == StateTone::Plain;
    EXPECT_EQ(OwnerDrawn(form_.StatusBar(), part), !plain) << part;
    if (plain) {
      EXPECT_EQ(BarText(form_.StatusBar(), part), bar[part]->Text) << part;
    }
    // Each part is whole in its tip, for a window too narrow to show it.
    wchar_t tip[512] = {};
    SendMessageW(form_.StatusBar(), SB_GETTIPTEXTW, MAKEWPARAM(part, std::size(tip)),
                 reinterpret_cast<LPARAM>(tip));
    EXPECT_EQ(AnsiFromUnicode(std::u16string(tip, tip + wcslen(tip))), bar[part]->Text) << part;
  }
  // The simulated encoder stands out; the open listener's warning stands above the panes,
  // wrapped rather than clipped, and pushes the log pane down.
  EXPECT_TRUE(OwnerDrawn(form_.StatusBar(), 1));
  EXPECT_FALSE(OwnerDrawn(form_.StatusBar(), 2));
  ASSERT_FALSE(state->Warning.Text.empty());
  EXPECT_TRUE(GetWindowLongPtrW(form_.Warning(), GWL_STYLE) & WS_VISIBLE);
  RECT warning{}, pane{};
  GetWindowRect(form_.Warning(), &warning);
  GetWindowRect(form_.InfoMemo(), &pane);
  EXPECT_GT(warning.bottom - warning.top, 0);
  EXPECT_GE(pane.top, warning.bottom);

  const std::vector<DeskOperation> operations = probe.NewOperations();
  const HWND list = form_.OperationsList();
  ASSERT_EQ(operations.size(), 1u);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  wchar_t line[256] = {};
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(AnsiFromUnicode(std::u16string(line, line + wcslen(line))), operations[0].Line);
  // No card lies on the encoder: a failure, in red.
  EXPECT_TRUE(operations[0].Failed);
  EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 0, 0), 1);
}

TEST_F(MainFormTest, EveryWayOfClosingTakesThePasswordAndCancellingKeepsItServing) {
  DialogScript script;
  script.Then(IDD_CHECK_PASSWORD, Enter("wrong"));
  test::CloseBox(form_.Handle());
  Pump();
  script.Then(IDD_CHECK_PASSWORD, Enter(""));
  Command(ID_EXIT);
  script.Then(IDD_CHECK_PASSWORD, Enter("TIVREL"));
  // Logging off or shutting down asks the same, and is refused without the password.
  EXPECT_EQ(SendMessageW(form_.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_FALSE(form_.Closed());
  EXPECT_TRUE(app_.Desk().Listening());

  script.Then(IDD_CHECK_PASSWORD, Enter("tivrel"));
  EXPECT_EQ(SendMessageW(form_.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  script.Then(IDD_CHECK_PASSWORD, Enter("tivrel"));
  Command(ID_EXIT);
  EXPECT_TRUE(form_.Closed());
  form_.FormDestroy();
  EXPECT_FALSE(app_.Desk().Listening());
  EXPECT_EQ(Utf8Text(form_.InfoMemo()),
            "门锁接口监听服务器已经启动...\r\n接口监听服务器已经停止。\r\n");
}

TEST_F(MainFormTest, TheEndOfTheSessionLetThroughStopsTheListenerInOrder) {
  DialogScript script;
  script.Then(IDD_CHECK_PASSWORD, Enter("tivrel"));
  ASSERT_EQ(SendMessageW(form_.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageW(form_.Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(form_.Closed());
  EXPECT_FALSE(app_.Desk().Listening());
  EXPECT_EQ(Utf8Text(form_.InfoMemo()),
            "门锁接口监听服务器已经启动...\r\n接口监听服务器已经停止。\r\n");
}

TEST_F(MainFormTest, TheSettingsOpenOnlyAfterThePassword) {
  DialogScript script;
  script.Then(IDD_CHECK_PASSWORD, Enter("nope"));
  Command(ID_SETTINGS);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());

  std::string caption;
  script.Then(IDD_CHECK_PASSWORD, Enter("tivrel")).Then(IDD_SYSTEM_SETTINGS, [&](Dialog& settings) {
    caption = Utf8Text(settings.Handle());
    Click(settings, IDCANCEL);
  });
  Command(ID_SETTINGS);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_EQ(caption, "系统设置");
}

TEST_F(MainFormTest, OptionsOpenOnlyAfterThePasswordAndABadEntryIsAnswered) {
  DialogScript script;
  script.Then(IDD_CHECK_PASSWORD, Enter("nope"));
  Command(ID_OPTION);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());

  std::string caption, port, lockType, sector, hotelPassword, liftData, pubDoor;
  LRESULT lockTypeSelection = 0;
  bool openAfterBadEntry = false;
  script.ClearBoxes();
  script.Then(IDD_CHECK_PASSWORD, Enter("tivrel")).Then(IDD_OPTIONS, [&](Dialog& options) {
    caption = Utf8Text(options.Handle());
    port = Utf8Item(options, IDC_PORTNAME);
    lockType = Utf8Item(options, IDC_LOCKTYPENAME);
    lockTypeSelection = SendMessageW(options.Item(IDC_LOCKTYPENAME), CB_GETCURSEL, 0, 0);
    sector = Utf8Item(options, IDC_SECTORNO);
    hotelPassword = Utf8Item(options, IDC_HOTELPW);
    liftData = Utf8Item(options, IDC_LIFTDATA);
    pubDoor = Utf8Item(options, IDC_PUBDOOR);
    Type(options, IDC_HOTELPW, "111111");
    Type(options, IDC_MAXLIFTADDR, "9x");
    Click(options, IDOK);
    openAfterBadEntry = !options.Ended();
    Click(options, IDCANCEL);
  });
  Command(ID_OPTION);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(caption, "Pellor门锁接口配置");
  EXPECT_EQ(port, "COM1");
  // The default lock type "IC" is in no list entry: nothing is selected.
  EXPECT_EQ(lockType, "");
  EXPECT_EQ(lockTypeSelection, CB_ERR);
  EXPECT_EQ(sector, "0");
  EXPECT_EQ(hotelPassword, "572604");
  EXPECT_EQ(liftData, "6000");
  EXPECT_EQ(pubDoor, "00000000");
  EXPECT_TRUE(openAfterBadEntry);
  ASSERT_EQ(script.Boxes().size(), 1u);
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Caption), kTitle);
  // The system's text, then the field in Chinese.
  EXPECT_THAT(Utf8FromAnsi(script.Boxes()[0].Text),
              ::testing::StartsWith("'9x' is not a valid integer value\n“"));
}

TEST_F(MainFormTest, OptionsTakeEveryEntrySaveThemAndAskForARestart) {
  DialogScript script;
  script.Then(IDD_CHECK_PASSWORD, Enter("tivrel")).Then(IDD_OPTIONS, [](Dialog& options) {
    SendMessageW(options.Item(IDC_PORTNAME), CB_SETCURSEL, 2, 0);
    SendMessageW(options.Item(IDC_LOCKTYPENAME), CB_SETCURSEL, 4, 0);
    Type(options, IDC_POWERSWITCHTYPE, "自定义-1");
    Type(options, IDC_CLIENTID, "4294967295");
    Type(options, IDC_BEGINADDR, "1");
    Click(options, IDC_VERIFYAFTERWRITE);
    Click(options, IDOK);
  });
  Command(ID_OPTION);
  EXPECT_TRUE(script.Finished());
  ASSERT_EQ(script.Boxes().size(), 1u);
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Information);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Text), "请重新启动程序,以启用设置的参数！");

  TOption saved(app_.File("Option.ini"));
  saved.Load();
  EXPECT_EQ(saved.PortName, "COM3");
  EXPECT_EQ(saved.LockTypeName, "RW-Z49A");
  EXPECT_EQ(Utf8FromAnsi(saved.PowerSwitchTypeName), "自定义-1");
  EXPECT_EQ(saved.ClientID, 4294967295u);
  EXPECT_EQ(saved.BeginAddr, 1);
  EXPECT_FALSE(saved.VerifyAfterWrite) << "on by default, and clicked off";
  EXPECT_THAT(test::ReadFileBytes(app_.File("Option.ini")), HasSubstr("ClientID=-1"));
}

// A list view's cell as the operator reads it.
std::string Cell(HWND grid, int row, int column) {
  wchar_t text[128] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 128;
  SendMessageW(grid, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return Utf8FromAnsi(AnsiFromUnicode(std::u16string(text, text + wcslen(text))));
}

TEST_F(MainFormTest, TheJournalAndTheLogShowWhatTheTestDialogDid) {
  DialogScript script;
  script.Then(IDD_TEST_PANEL(kDoorlockKind), [](Dialog& test) {
    Type(test, IDC_ROOMNO, "08");
    Click(test, IDC_WRITECARD);
    test::CloseBox(test.Handle());
  });
  // No password for the Test command.
  Command(ID_TEST);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  LRESULT rows = 0, rowsOfAnotherDay = -1, roomCards = 0;
  std::string caption, room, guest, pageText, roomCard, check;
  script.Then(IDD_JOURNAL, [&](Dialog& journal) {
    caption = Utf8Text(journal.Handle());
    const HWND grid = journal.Item(IDC_JOURNALGRID);
    rows = SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0);
    room = Cell(grid, 0, 0);
    guest = Cell(grid, 0, 1);
    // The room view lists the card, which still lies on the encoder.
    Type(journal, IDC_ROOMKEY, "000108");
    Click(journal, IDC_ROOMCARDS);
    roomCards = SendMessageW(journal.Item(IDC_ROOMGRID), LVM_GETITEMCOUNT, 0, 0);
    roomCard = Cell(journal.Item(IDC_ROOMGRID), 0, 0);
    Click(journal, IDC_CHECKCARD);
    check = Utf8Item(journal, IDC_CHECKTEXT);
    Type(journal, IDC_FROMFILTER, "2000-01-01");
    Type(journal, IDC_TOFILTER, "2000-01-01");
    Click(journal, IDOK);
    rowsOfAnotherDay = SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0);
    pageText = Utf8Text(journal.Item(IDC_PAGETEXT));
    // A day that is none is answered with a box, the rows left as they were.
    Type(journal, IDC_FROMFILTER, "x");
    Click(journal, IDOK);
    test::CloseBox(journal.Handle());
  });
  Command(ID_JOURNAL);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(caption, "发卡记录");
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(room, "000108");
  EXPECT_EQ(guest, "Test");
  EXPECT_EQ(roomCards, 1);
  EXPECT_THAT(check, ::testing::StartsWith("此卡在列表中：第 1 张（卡号 " + roomCard + "，Test，"));
  EXPECT_EQ(rowsOfAnotherDay, 0);
  EXPECT_EQ(pageText, "没有记录");
  ASSERT_EQ(script.Boxes().size(), 1u);
  EXPECT_THAT(Utf8FromAnsi(script.Boxes()[0].Text),
              ::testing::StartsWith("'x' is not a valid date and time\n“发卡日期”"));

  std::string logText;
  script.Then(IDD_LOG_VIEW, [&](Dialog& log) {
    logText = Utf8Item(log, IDC_LOGTEXT);
    test::CloseBox(log.Handle());
  });
  Command(ID_LOG);
  EXPECT_TRUE(script.Finished());
  std::string logFile = Utf8FromAnsi(test::ReadFileBytes(app_.Context().Log.FileName()));
  EXPECT_NE(logFile, "");
  EXPECT_EQ(logText, logFile);
}

// A store that cannot be read is said in red above an empty grid, not as "没有记录".
TEST_F(MainFormTest, AJournalThatCannotBeReadIsSaidInRed) {
  const std::string broken = app_.File("Broken.mdb");
  test::WriteFileBytes(broken, std::string(8192, '\x5a'));
  TDoorlockRecordManager store(broken, app_.Context().Log);
  JournalBrowser browser(store, app_.Context().SysOption, app_.Context().LocalClock);
  DialogScript script;
  std::string notice, pageText;
  COLORREF colour = 0;
  script.Then(IDD_JOURNAL, [&](Dialog& journal) {
    notice = Utf8Item(journal, IDC_JOURNALNOTICE);
    pageText = Utf8Item(journal, IDC_PAGETEXT);
    const HWND label = journal.Item(IDC_JOURNALNOTICE);
    const HDC context = GetDC(label);
    SendMessageW(journal.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
                 reinterpret_cast<LPARAM>(label));
    colour = GetTextColor(context);
    ReleaseDC(label, context);
    test::CloseBox(journal.Handle());
  });
  TJournalForm(browser).ShowModal(form_.Handle());
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(notice, ::testing::StartsWith("发卡记录无法读取（"));
  EXPECT_THAT(notice, HasSubstr("file is not a database"));
  EXPECT_EQ(colour, RGB(0xC0, 0, 0));
  EXPECT_EQ(pageText, "");
}

// The journal's searches, pages, calendar and export are wired to its browser; it stays
// beside the main window, which is not disabled, one journal at a time; its grid grows with
// the window.
TEST_F(MainFormTest, TheJournalsSearchesPagesAndExportAreWiredAndItIsNotModal) {
  app_.Context().SysOption.SaveDoorlockRecord = true;
  RecordStore& store = app_.Context().RecordStore;
  const DateTime now = app_.Context().LocalClock.Now();
  store.AddIssueCardRecord("R", "1", "010208", 1, now, test::MakeDateTime(2008, 8, 18, 14),
                           test::MakeDateTime(2008, 8, 20, 12), false, "G", now, WrittenResult());
  store.AddIssueCardRecord("R", "2", "010209", 1, now, test::MakeDateTime(2008, 9, 1, 14),
                           test::MakeDateTime(2008, 9, 3, 12), false, "G", now.AddMinutes(1),
                           FailedResult("x"));
  JournalBrowser browser(store, app_.Context().SysOption, app_.Context().LocalClock);
  TJournalForm journal(browser);
  const std::string file = app_.File("export.csv");
  journal.ChooseExportFile = [&] { return file; };
  BOOL ownerEnabled = FALSE, lastEnabled = TRUE;
  INT_PTR second = 0;
  std::string stayCard, failureCard, pageText, exported, picked;
  LONG widthBefore = 0, widthAfter = 0;
  DialogScript script;
  script.Then(IDD_JOURNAL, [&](Dialog& open) {
    ownerEnabled = IsWindowEnabled(form_.Handle());
    const HWND grid = open.Item(IDC_JOURNALGRID);
    Type(open, IDC_STAYFROM, "2008/8/19");
    Type(open, IDC_STAYTO, "2008.8.19");
    Click(open, IDOK);
    if (SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0) == 1) stayCard = Cell(grid, 0, 4);
    Type(open, IDC_STAYFROM, "");
    Type(open, IDC_STAYTO, "");
    Click(open, IDC_FAILURESONLY);
    Click(open, IDOK);
    if (SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0) == 1) failureCard = Cell(grid, 0, 4);
    Click(open, IDC_FAILURESONLY);
    Click(open, IDOK);
    Type(open, IDC_PAGENO, "9");
    Click(open, IDC_GOTOPAGE);
    pageText = Utf8Item(open, IDC_PAGETEXT);
    lastEnabled = IsWindowEnabled(open.Item(IDC_LASTPAGE));
    Click(open, IDC_EXPORT);
    exported = Utf8Item(open, IDC_EXPORTTEXT);

    Click(open, IDC_TOPICK);
    const HWND calendar = open.Item(IDC_CALENDAR);
    SYSTEMTIME day{};
    day.wYear = 2025;
    day.wMonth = 3;
    day.wDay = 1;
    SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
    NMSELCHANGE selected{};
    selected.nmhdr = {calendar, IDC_CALENDAR, MCN_SELECT};
    selected.stSelStart = selected.stSelEnd = day;
    SendMessageW(open.Handle(), WM_NOTIFY, IDC_CALENDAR, reinterpret_cast<LPARAM>(&selected));
    picked = Utf8Item(open, IDC_TOFILTER);

    // Asked for again while it is open: this one comes forward, no second one opens.
    second = TJournalForm(browser).ShowModal(form_.Handle());

    RECT area{};
    GetWindowRect(grid, &area);
    widthBefore = area.right - area.left;
    RECT frame{};
    GetWindowRect(open.Handle(), &frame);
    SetWindowPos(open.Handle(), nullptr, 0, 0, frame.right - frame.left + 200,
                 frame.bottom - frame.top + 100, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(grid, &area);
    widthAfter = area.right - area.left;
    test::CloseBox(open.Handle());
  });
  journal.ShowModal(form_.Handle());
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_TRUE(ownerEnabled);
  EXPECT_EQ(stayCard, "1");
  EXPECT_EQ(failureCard, "2");
  EXPECT_EQ(pageText, "第 1/1 页，共 2 条");
  EXPECT_FALSE(lastEnabled);
  EXPECT_EQ(exported, "已导出 2 条：" + Utf8FromAnsi(file));
  EXPECT_THAT(test::ReadFileBytes(file), ::testing::StartsWith("\xEF\xBB\xBF房间,客人,"));
  EXPECT_EQ(picked, "2025-03-01");
  EXPECT_EQ(second, IDCANCEL);
  EXPECT_EQ(widthAfter, widthBefore + 200);
  EXPECT_THAT(script.Boxes(), IsEmpty());
}

TEST_F(MainFormTest, TheAboutBoxNamesTheInterfaceAndItsVersion) {
  DialogScript script;
  std::string caption, title, version;
  script.Then(IDD_ABOUT, [&](Dialog& about) {
    caption = Utf8Text(about.Handle());
    title = Utf8Item(about, IDC_LBLAPPTITLE);
    version = Utf8Item(about, IDC_LBLVERSION);
    Click(about, IDOK);
  });
  Command(ID_ABOUT);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(caption, std::string("关于 ") + kTitle);
  EXPECT_EQ(title, kTitle);
  EXPECT_EQ(version, "版本 1.0.0.0");
}

TEST(OtherKindsWindowTest, EachKindOpensItsOwnTestDialogOrText) {
  {
    test::WindowTestApplication app(kHandKind);
    TMainForm form(app.Desk());
    DialogScript script;
    script.Then(IDD_TEST_PANEL(kHandKind), [](Dialog& test) { test::CloseBox(test.Handle()); });
    SendMessageW(form.Handle(), WM_COMMAND, ID_TEST, 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
    EXPECT_EQ(Utf8Text(form.Handle()), "MarveskOxbel手牌接口");
  }
  {
    test::WindowTestApplication app(kMemberKind);
    TMainForm form(app.Desk());
    DialogScript script;
    script.Then(IDD_CHECK_PASSWORD, Enter("tivrel"));
    // The simulated device has no options, and a box says so.
    SendMessageW(form.Handle(), WM_COMMAND, ID_OPTION, 0);
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Text), "模拟设备没有可设置的选项。");
    script.Then(IDD_TEST_PANEL(kMemberKind), [](Dialog& test) { test::CloseBox(test.Handle()); });
    SendMessageW(form.Handle(), WM_COMMAND, ID_TEST, 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
  }
  {
    test::WindowTestApplication app(kPoliceKind);
    TMainForm form(app.Desk());
    DialogScript script;
    SendMessageW(form.Handle(), WM_COMMAND, ID_TEST, 0);
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::None);
    EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Caption), "MarveskOxbel公安接口");
    EXPECT_EQ(script.Boxes()[0].Text, app.Kind().TestText().value_or("-"));
  }
}

}  // namespace
}  // namespace keydesk
