// The whole request path of the door lock, member-card and hand-tag kinds, from request
// bytes to response bytes, with the simulated encoder and devices: whatever arrives, the
// handler answers at most once, and what it sends is one well-formed XML document in UTF-8
// followed by exactly one NUL.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/application.h"
#include "intake/request_intake.h"
#include "kinds/kind.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/profile_file.h"
#include "store/doorlock_record_manager.h"
#include "wire/decode_utf8.h"
#include "wire/xml_doc.h"

namespace {

using namespace keydesk;

struct Kinds {
  std::unique_ptr<Application> applications[3];
};

// Made once by LLVMFuzzerInitialize and kept for the whole run.
Kinds* kinds = nullptr;

std::string MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "keydesk-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) abort();
  return pattern;
}

void CheckResponse(const std::string& bytes) {
  if (bytes.empty()) return;
  if (bytes.back() != '\0' || bytes.find('\0') != bytes.size() - 1) __builtin_trap();
  const std::u16string text = DecodeUtf8(std::string_view(bytes).substr(0, bytes.size() - 1));
  if (text.empty()) __builtin_trap();
  TXmlDoc document;
  try {
    document.ParseText(AnsiFromUnicode(text));
  } catch (const XmlParseError&) {
    __builtin_trap();  // an escaped value must never break the response
  }
  const std::string& root = document.RootElement()->Name();
  if (root != "DoorResponse") __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = MakeFolder();
  setenv("DREVAN_SIM_CARD", (folder + "/SimCard.txt").c_str(), 1);
  unsetenv("DREVAN_SIM_FAIL");
  unsetenv("DREVAN_SIM_DELAY_MS");
  unsetenv("DREVAN_SIM_TRACE");
  ProfileFile options(folder + "/Option.ini");
  options.WriteString("SysOption", "WriteLog", "0");
  options.WriteString("DoorlockOption", "UseNativeDoorlockDb", "1");
  options.WriteString("DoorlockOption", "SaveDoorlockRecord", "1");
  options.WriteString("DoorlockOption", "PowerSwitchTypeName", "8602-1M-57BA");
  std::string error;
  TDoorlockRecordManager::CreateDatabase(folder + "/Client.mdb", error);
  static Kinds instance;
  kinds = &instance;
  const int kindNumbers[3] = {1, 3, 4};
  for (int i = 0; i < 3; ++i) {
    StartupSettings settings;
    settings.Folder = folder;
    settings.InterfaceKind = kindNumbers[i];
    settings.CardLibraryPath = KEYDESK_BUILD_DIR "/libdrevan.so";
    kinds->applications[i] = std::make_unique<Application>(std::move(settings));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Application& application = *kinds->applications[data[0] % 3];
  const std::string request(reinterpret_cast<const char*>(data + 1), size - 1);

  std::unique_ptr<TMessageHandler> handler = application.Kind().CreateHandler();
  std::string sent;
  int sends = 0;
  try {
    DeliverReply(
        handler->HandleMessage(DecodeUtf8(request)),
        [&](std::string_view frame) {
          ++sends;
          sent = frame;
        },
        application.Context().Log);
  } catch (const Error&) {
    // Ends the request without a response, as the intake expects.
  }
  if (sends > 1) __builtin_trap();
  CheckResponse(sent);
  return 0;
}
