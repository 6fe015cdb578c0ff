#include "doorlock/drevan_library.h"

#include <cstdlib>
#include <optional>

#include "doorlock/library_bits.h"
#include "doorlock/simulator_mark.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/foreign_call.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

struct FunctionEntry {
  const char* Name;
  // The argument bytes of its stdcall-decorated names.
  size_t ArgumentBytes;
};

constexpr std::array<FunctionEntry, DrevanLibrary::kFunctionCount> kFunctions = {{
    {"SerialNo_FromNow", kStdcallArgumentBytes<SerialNo_FromNow_t>},
    {"Reader_Alarm", kStdcallArgumentBytes<Reader_Alarm_t>},
    {"Write_Guest_Card", kStdcallArgumentBytes<Write_Guest_Card_t>},
    {"Write_Guest_Lift", kStdcallArgumentBytes<Write_Guest_Lift_t>},
    {"Write_Guest_PowerSwitch", kStdcallArgumentBytes<Write_Guest_PowerSwitch_t>},
    {"Read_Guest_Card", kStdcallArgumentBytes<Read_Guest_Card_t>},
    {"Read_Guest_Lift", kStdcallArgumentBytes<Read_Guest_Lift_t>},
    {"Read_Guest_PowerSwitch", kStdcallArgumentBytes<Read_Guest_PowerSwitch_t>},
}};

// The names a function may be exported under: plain (a .def file, or the C convention), as a
// C compiler decorates stdcall (_Name@N), and as MinGW does without a .def file (Name@N).
std::array<std::string, 3> ExportNames(const FunctionEntry& entry) {
  const std::string bytes = "@" + std::to_string(entry.ArgumentBytes);
  return {entry.Name, "_" + std::string(entry.Name) + bytes, entry.Name + bytes};
}

// Whether the file carries the simulator's mark.
bool CarriesSimulatorMark(const std::string& content) {
  return content.find(KEYDESK_SIMULATOR_MARK) != std::string::npos;
}

std::string Text(const char* utf8) { return AnsiFromUtf8(utf8); }

std::string BitsText(int bits) { return std::to_string(bits) + Text(" 位"); }

// What the clerk reads when the library is not there or is of the other width.
std::string MissingMessage(const std::string& path) {
  return Text("找不到门锁发卡库 ") + AnsiFromPath(path) + Text("。请把门锁厂商提供的 ") +
         DynamicLibrary::FileName(DrevanLibrary::kLibraryName) +
         Text(" 复制到这里（keydesk 程序旁边）；没有发卡库，keydesk 不能启动。");
}

std::string OtherWidthMessage(const std::string& path, int bits) {
  return Text("门锁发卡库 ") + AnsiFromPath(path) + Text(" 是 ") + BitsText(bits) +
         Text("的，而这个 keydesk 是 ") + BitsText(kProgramBits) + Text("程序，只能使用 ") +
         BitsText(kProgramBits) + Text("的发卡库。请向门锁厂商要 ") + BitsText(kProgramBits) +
         Text("的 ") + DynamicLibrary::FileName(DrevanLibrary::kLibraryName) +
         Text("，或者使用与这个发卡库同为 ") + BitsText(bits) + Text("的 keydesk。");
}

std::string LoadFailedMessage(const std::string& path, const std::string& reason) {
  return Text("无法加载门锁发卡库 ") + AnsiFromPath(path) + Text("：") + reason +
         Text("。请确认它是门锁厂商提供的完好的发卡库，它所需要的文件也都在。");
}

std::string MissingFunctionMessage(const std::string& path, const FunctionEntry& entry) {
  const std::array<std::string, 3> names = ExportNames(entry);
  return Text("门锁发卡库 ") + AnsiFromPath(path) + Text(" 里没有函数 ") + names[0] +
         Text("（也没有 ") + names[1] + Text(" 或 ") + names[2] +
         Text("）：它不是门锁厂商的发卡库，或者版本不对。请换用门锁厂商提供的发卡库。");
}

}  // namespace

std::string DrevanLibrary::DefaultPath(std::string_view executableFolder) {
  if (const char* path = std::getenv(kPathVariable); path != nullptr && *path != '\0') {
    return path;
  }
  return PathInFolder(executableFolder, DynamicLibrary::FileName(kLibraryName));
}

DrevanLibrary::DrevanLibrary(const std::string& path) : path_(path) {
  // A name without a folder is the system's to find (a test names one); only a path is
  // checked before the load.
  const bool bare = FileNameInPath(path) == path;
  const std::optional<std::string> content = ReadWholeFile(path);
  if (!bare && !content) throw LibraryError(MissingMessage(path));
  if (content) {
    if (const std::optional<int> bits = LibraryBits(*content); bits && *bits != kProgramBits) {
      throw LibraryError(OtherWidthMessage(path, *bits));
    }
  }
  std::string reason;
  library_ = DynamicLibrary::Load(path, &reason);
  if (library_ == nullptr) throw LibraryError(LoadFailedMessage(path, reason));
  for (size_t index = 0; index < kFunctions.size(); ++index) {
    for (const std::string& name : ExportNames(kFunctions[index])) {
      functions_[index] = library_->Function(name.c_str());
      if (functions_[index] != nullptr) {
        exportNames_[index] = name;
        break;
      }
    }
    if (functions_[index] == nullptr) {
      throw LibraryError(MissingFunctionMessage(path, kFunctions[index]));
    }
  }
  simulated_ = content && CarriesSimulatorMark(*content);
}

DrevanLibrary::~DrevanLibrary() = default;

std::string DrevanLibrary::Description() const {
  size_t plain = 0;
  size_t decorated = 0;
  std::string names;
  for (size_t index = 0; index < kFunctions.size(); ++index) {
    const std::array<std::string, 3> forms = ExportNames(kFunctions[index]);
    if (exportNames_[index] == forms[0]) ++plain;
    if (exportNames_[index] == forms[1]) ++decorated;
    names += (index == 0 ? "" : ", ") + exportNames_[index];
  }
  std::string namesText;
  if (plain == kFunctions.size()) {
    namesText = Text("不带修饰的名字（") + exportNames_[0] + Text(" 等）");
  } else {
    namesText = names;
  }
  std::string convention;
  if (!kForeignCallRestoresStack) {
    convention = Text("本平台唯一的调用约定");
  } else if (plain == 0) {
    convention = Text("stdcall（由修饰名得知；每次调用后仍恢复栈指针）");
  } else {
    convention = Text("stdcall 或 C 约定均可（每次调用后恢复栈指针）");
  }
  return Text("门锁发卡库 ") + AnsiFromPath(path_) + Text("：") + BitsText(kProgramBits) +
         Text("，函数名：") + namesText + Text("，调用约定：") + convention +
         (simulated_ ? Text("（模拟发卡器）") : "");
}

std::optional<bool> DrevanLibrary::CalleeRemovesArguments() const {
  const int observed = observedConvention_.load(std::memory_order_relaxed);
  if (observed == 0) return std::nullopt;
  return observed == 2;
}

template <class Function, class... Args>
auto DrevanLibrary::Call(FunctionIndex index, Args... args) const {
  bool calleeRemoved = false;
  if constexpr (kForeignCallRestoresStack && sizeof...(Args) > 0) {
    auto result = CallForeign<Function>(functions_[index], &calleeRemoved, args...);
    observedConvention_.store(calleeRemoved ? 2 : 1, std::memory_order_relaxed);
    return result;
  } else {
    return CallForeign<Function>(functions_[index], nullptr, args...);
  }
}

int32_t DrevanLibrary::SerialNo_FromNow() const {
  return Call<SerialNo_FromNow_t>(kSerialNo_FromNow);
}

int32_t DrevanLibrary::Reader_Alarm(int32_t port, int32_t lock_type, int32_t mode) const {
  return Call<Reader_Alarm_t>(kReader_Alarm, port, lock_type, mode);
}

int32_t DrevanLibrary::Write_Guest_Card(int32_t port, int32_t lock_type, uint8_t sector,
                                        const char* hotel_password, int32_t card_no,
                                        uint32_t start_stamp, int32_t one, const char* room,
                                        const char* zeros, const char* pub_door,
                                        const char* valid_from, const char* valid_to) const {
  return Call<Write_Guest_Card_t>(kWrite_Guest_Card, port, lock_type, sector, hotel_password,
                                  card_no, start_stamp, one, room, zeros, pub_door, valid_from,
                                  valid_to);
}

int32_t DrevanLibrary::Write_Guest_Lift(int32_t port, int32_t lock_type, uint8_t sector,
                                        const char* hotel_password, int32_t card_no,
                                        int32_t begin_addr, int32_t end_addr, int32_t max_lift_addr,
                                        const char* valid_from, const char* valid_to,
                                        const char* lift_data) const {
  return Call<Write_Guest_Lift_t>(kWrite_Guest_Lift, port, lock_type, sector, hotel_password,
                                  card_no, begin_addr, end_addr, max_lift_addr, valid_from,
                                  valid_to, lift_data);
}

int32_t DrevanLibrary::Write_Guest_PowerSwitch(int32_t port, int32_t lock_type, uint8_t sector,
                                               const char* password, int32_t card_no_or_flag,
                                               int32_t flag, const char* room,
                                               const char* guest_name, const char* valid_from,
                                               const char* valid_to, int32_t switch_type) const {
  return Call<Write_Guest_PowerSwitch_t>(kWrite_Guest_PowerSwitch, port, lock_type, sector,
                                         password, card_no_or_flag, flag, room, guest_name,
                                         valid_from, valid_to, switch_type);
}

int16_t DrevanLibrary::Read_Guest_Card(int32_t port, int32_t lock_type, uint8_t sector,
                                       const char* hotel_password, int32_t* card_no,
                                       uint32_t* start_stamp, int32_t* one, char* room, char* zeros,
                                       char* pub_door, char* valid_from, char* valid_to) const {
  return Call<Read_Guest_Card_t>(kRead_Guest_Card, port, lock_type, sector, hotel_password, card_no,
                                 start_stamp, one, room, zeros, pub_door, valid_from, valid_to);
}

int16_t DrevanLibrary::Read_Guest_Lift(int32_t port, int32_t lock_type, uint8_t sector,
                                       const char* hotel_password, int32_t begin_addr,
                                       int32_t end_addr, int32_t* card_no, char* valid_from,
                                       char* valid_to, char* lift_data) const {
  return Call<Read_Guest_Lift_t>(kRead_Guest_Lift, port, lock_type, sector, hotel_password,
                                 begin_addr, end_addr, card_no, valid_from, valid_to, lift_data);
}

int16_t DrevanLibrary::Read_Guest_PowerSwitch(int32_t port, int32_t lock_type, uint8_t sector,
                                              const char* password, int32_t* card_no, int32_t* flag,
                                              char* room, char* guest_name, char* valid_from,
                                              char* valid_to, int32_t switch_type) const {
  return Call<Read_Guest_PowerSwitch_t>(kRead_Guest_PowerSwitch, port, lock_type, sector, password,
                                        card_no, flag, room, guest_name, valid_from, valid_to,
                                        switch_type);
}

}  // namespace keydesk
