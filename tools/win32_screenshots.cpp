// Takes the README's pictures of the Windows window under Wine: the main window (with a few
// requests served and their lines in the operations list), the door lock options dialog, the
// door lock test dialog after a card was written and read, and the 系统设置 dialog, run
// against the simulated drevan.dll in a scratch folder. Writes BMP files;
// scripts/win32-screenshots runs it on an Xvfb display and makes PNGs of them.
//   win32_screenshots.exe FOLDER
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/desk.h"
#include "app/system_settings.h"
#include "core/interface_kind.h"
#include "core/ipv4.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "kinds/kind.h"
#include "kinds/service_context.h"
#include "platform/socket.h"
#include "store/doorlock_record_manager.h"
#include "ui_win32/dialog.h"
#include "ui_win32/main_form.h"
#include "ui_win32/resource_ids.h"

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
  return std::string(
             "<DoorRequest type=\"IssueCard\"><Ignored/><RegisterId>R1</RegisterId>"
             "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode>"
             "<RoomNo>") +
         room + "</RoomNo><GuestName>" + guest +
         "</GuestName><CheckInDate>2026-12-08</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
         "<CheckOutDate>2026-12-10</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime>"
         "<IsCopy>False</IsCopy></DoorRequest>";
}

// Lets the windows paint.
void Settle() {
  for (int round = 0; round < 20; ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(25);
  }
}

// The window as the screen shows it, frame included, as a 24-bit BMP.
bool Save(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Settle();
  RECT area{};
  GetWindowRect(window, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{
      0x4d42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
      sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!out) std::fprintf(stderr, "win32_screenshots: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace keydesk;
  if (argc != 2) {
    std::fprintf(stderr, "usage: win32_screenshots FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::filesystem::path scratch = std::filesystem::temp_directory_path() /
                                        ("keydesk-shots-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(scratch);
  const auto file = [&scratch](const char* name) { return (scratch / name).string(); };
  _putenv_s("DREVAN_SIM_CARD", file("SimCard.txt").c_str());
  bool saved = true;
  {
    TSysOption sysOption(file("Option.ini"));
    sysOption.DoorlockPortNo = 0;  // any free port, so that no bind error box gets in the way
    sysOption.SaveDoorlockRecord = true;
    sysOption.Save();
    std::string error;
    TDoorlockRecordManager::CreateDatabase(file(TDoorlockRecordManager::kFileName), error);

    StartupSettings settings;
    settings.Folder = scratch.string();
    settings.CardLibraryPath = KEYDESK_BUILD_DIR "/drevan.dll";
    Application application(std::move(settings));
    Desk desk(application);

    TMainForm mainForm(desk);
    ShowWindow(mainForm.Handle(), SW_SHOWNORMAL);
    const auto port = static_cast<uint16_t>(application.Context().Status.Get().Port);
    Ask(port, IssueRequest("08", "王先生"));
    Ask(port, IssueRequest("09", "李女士"));
    Ask(port, "<DoorRequest type=\"ReadCard\"/>");
    Sleep(200);
    mainForm.RefreshStatus();
    saved = Save(mainForm.Handle(), folder + "/win32_main_window.bmp") && saved;

    Dialog::SetShownHook([&](Dialog& dialog) {
      const char* name = "win32_option_form";
      if (dialog.TemplateId() == IDD_TEST_PANEL(kDoorlockKind)) {
        SendMessageW(dialog.Item(IDC_WRITECARD), BM_CLICK, 0, 0);
        SendMessageW(dialog.Item(IDC_READCARD), BM_CLICK, 0, 0);
        name = "win32_doorlock_test_form";
      } else if (dialog.TemplateId() == IDD_SYSTEM_SETTINGS) {
        name = "win32_system_settings_form";
      }
      saved = Save(dialog.Handle(), folder + "/" + name + ".bmp") && saved;
      dialog.End(IDCANCEL);
    });
    mainForm.ShowOptions(*application.Kind().MakeOptions());
    mainForm.ShowTestPanel(*application.Kind().MakeTestPanel());
    // The listener took any free port; the settings show the door lock's usual one.
    TSysOption shown(file("Option.ini"));
    shown.Load();
    shown.DoorlockPortNo = 8886;
    shown.Save();
    SystemSettings systemSettings(shown.FileName, {},
                                  {*ParseIpv4("127.0.0.1"), *ParseIpv4("192.168.1.5")});
    mainForm.ShowSystemSettings(systemSettings);
    Dialog::SetShownHook({});
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  return saved ? 0 : 1;
}
