// The simulated encoder library, tested through its eight exported functions as the program
// loads them: dlopen of the built library, real card files in a temporary folder.
#if !defined(_WIN32)
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "doorlock/drevan_api.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

#if defined(_WIN32)
constexpr const char* kLibraryName = "drevan.dll";
#else
constexpr const char* kLibraryName = "libdrevan.so";
#endif
const std::string kLibraryPath = std::string(KEYDESK_BUILD_DIR "/") + kLibraryName;

constexpr const char* kCardVariable = "DREVAN_SIM_CARD";
constexpr const char* kFailVariable = "DREVAN_SIM_FAIL";
constexpr const char* kDelayVariable = "DREVAN_SIM_DELAY_MS";
constexpr const char* kTraceVariable = "DREVAN_SIM_TRACE";
constexpr const char* kVariables[] = {kCardVariable, kFailVariable, kDelayVariable, kTraceVariable};

// The library's result codes.
constexpr int kNoCard = 1;
constexpr int kNoBlock = 2;
constexpr int kBadArgument = 3;
constexpr int kWrongLayout = 4;
constexpr int kDamagedCard = 5;
constexpr int kWrongAddress = 7;
constexpr int kWriteFailed = 6;

// "房间八" and "张三李四王" in code page 936, two bytes a character.
constexpr const char* kRoomName = "\xB7\xBF\xBC\xE4\xB0\xCB";
constexpr const char* kFiveNames = "\xD5\xC5\xC8\xFD\xC0\xEE\xCB\xC4\xCD\xF5";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::set<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The built library with its eight functions, loaded the way the program loads it.
class SimLibrary {
 public:
  explicit SimLibrary(const std::string& path)
      : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) {
      const char* reason = dlerror();
      error_ = reason != nullptr ? reason : "dlopen failed";
      return;
    }
    Resolve("SerialNo_FromNow", SerialNo_FromNow);
    Resolve("Reader_Alarm", Reader_Alarm);
    Resolve("Write_Guest_Card", Write_Guest_Card);
    Resolve("Write_Guest_Lift", Write_Guest_Lift);
    Resolve("Write_Guest_PowerSwitch", Write_Guest_PowerSwitch);
    Resolve("Read_Guest_Card", Read_Guest_Card);
    Resolve("Read_Guest_Lift", Read_Guest_Lift);
    Resolve("Read_Guest_PowerSwitch", Read_Guest_PowerSwitch);
  }
  ~SimLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  SimLibrary(const SimLibrary&) = delete;
  SimLibrary& operator=(const SimLibrary&) = delete;

  // Empty when the library and all eight functions were found.
  const std::string& Error() const { return error_; }
  void* Handle() const { return handle_; }

  SerialNo_FromNow_t SerialNo_FromNow = nullptr;
  Reader_Alarm_t Reader_Alarm = nullptr;
  Write_Guest_Card_t Write_Guest_Card = nullptr;
  Write_Guest_Lift_t Write_Guest_Lift = nullptr;
  Write_Guest_PowerSwitch_t Write_Guest_PowerSwitch = nullptr;
  Read_Guest_Card_t Read_Guest_Card = nullptr;
  Read_Guest_Lift_t Read_Guest_Lift = nullptr;
  Read_Guest_PowerSwitch_t Read_Guest_PowerSwitch = nullptr;

 private:
  template <class Function>
  void Resolve(const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle_, name));
    if (function == nullptr) error_ += std::string("missing ") + name + "; ";
  }

  void* handle_;
  std::string error_;
};

// An out buffer as the driver allocates it, capacity characters plus the NUL, followed by
// guard bytes that the library must leave alone.
class OutBuffer {
 public:
  static constexpr char kFill = '#';
  static constexpr size_t kGuard = 16;

  explicit OutBuffer(size_t capacity) : capacity_(capacity), bytes_(capacity + 1 + kGuard, kFill) {}

  char* Data() { return bytes_.data(); }
  // The text up to the NUL; the whole buffer when there is none.
  std::string Text() const {
    return std::string(bytes_.data(), strnlen(bytes_.data(), capacity_ + 1));
  }
  bool Untouched() const {
    return std::all_of(bytes_.begin(), bytes_.end(), [](char c) { return c == kFill; });
  }
  // Terminated within its capacity, nothing written past it.
  bool Sound() const {
    return std::memchr(bytes_.data(), '\0', capacity_ + 1) != nullptr &&
           std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(capacity_ + 1), bytes_.end(),
                       [](char c) { return c == kFill; });
  }

 private:
  size_t capacity_;
  std::vector<char> bytes_;
};

struct GuestCardRead {
  int16_t result = -1;
  int32_t cardNo = -1;
  uint32_t startStamp = 0;
  int32_t one = -1;
  OutBuffer room{6}, zeros{4}, pubDoor{8}, validFrom{12}, validTo{12};
  bool Sound() const {
    return room.Sound() && zeros.Sound() && pubDoor.Sound() && validFrom.Sound() && validTo.Sound();
  }
};

struct LiftRead {
  int16_t result = -1;
  int32_t cardNo = -1;
  // The driver's lift data buffer is never smaller than 512 characters.
  OutBuffer validFrom{12}, validTo{12}, liftData{512};
  bool Sound() const { return validFrom.Sound() && validTo.Sound() && liftData.Sound(); }
};

struct PowerSwitchRead {
  int16_t result = -1;
  int32_t cardNo = -1;
  int32_t flag = -1;
  OutBuffer room{6}, guestName{8}, validFrom{12}, validTo{12};
  bool Sound() const {
    return room.Sound() && guestName.Sound() && validFrom.Sound() && validTo.Sound();
  }
};

class DrevanSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (size_t i = 0; i < std::size(kVariables); ++i) {
      if (const char* value = std::getenv(kVariables[i])) saved_[i] = value;
      unsetenv(kVariables[i]);
    }
    setenv(kCardVariable, card_.c_str(), 1);
    ASSERT_EQ(lib_.Error(), "");
  }

  void TearDown() override {
    for (size_t i = 0; i < std::size(kVariables); ++i) {
      if (saved_[i]) {
        setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kVariables[i]);
      }
    }
  }

  int32_t WriteGuestCard(int32_t cardNo = 5301, const char* room = "08") {
    return lib_.Write_Guest_Card(1, 1, 0, "572604", cardNo, 803151405u, 1, room, "0000", "00000000",
                                 "0803151405", "0803171200");
  }
  int32_t WriteLift(int32_t cardNo = 5301, const char* liftData = "6000") {
    return lib_.Write_Guest_Lift(1, 1, 0, "572604", cardNo, 96, 97, 97, "0803151405", "0803171200",
                                 liftData);
  }
  int32_t WritePowerSwitch1(int32_t cardNo = 5301, const char* guestName = "Li") {
    return lib_.Write_Guest_PowerSwitch(1, 1, 2, "FFFFFFFFFFFF", cardNo, 1, "08", guestName,
                                        "0803151405", "0803171200", 1);
  }
  int32_t WritePowerSwitch2() {
    return lib_.Write_Guest_PowerSwitch(1, 1, 2, "FFFFFFFFFFFF", 1, 0, "08", nullptr, nullptr,
                                        "0803171200", 2);
  }

  void ReadGuestCard(GuestCardRead& read) {
    read.result = lib_.Read_Guest_Card(1, 1, 0, "572604", &read.cardNo, &read.startStamp, &read.one,
                                       read.room.Data(), read.zeros.Data(), read.pubDoor.Data(),
                                       read.validFrom.Data(), read.validTo.Data());
  }
  void ReadLift(LiftRead& read) {
    read.result =
        lib_.Read_Guest_Lift(1, 1, 0, "572604", 96, 97, &read.cardNo, read.validFrom.Data(),
                             read.validTo.Data(), read.liftData.Data());
  }
  void ReadPowerSwitch(PowerSwitchRead& read, int32_t switchType) {
    read.result = lib_.Read_Guest_PowerSwitch(
        1, 1, 2, "FFFFFFFFFFFF", &read.cardNo, &read.flag, read.room.Data(), read.guestName.Data(),
        read.validFrom.Data(), read.validTo.Data(), switchType);
  }

  test::TempDir dir_;
  std::string card_ = dir_.File("SimCard.txt");
  SimLibrary lib_{kLibraryPath};

 private:
  std::optional<std::string> saved_[std::size(kVariables)];
};

// --- Exports ---------------------------------------------------------------------------------

using DrevanSimExports = DrevanSimTest;

#if !defined(_WIN32)  // the DLL's exports: tests/windows/check_pe_tables
TEST_F(DrevanSimExports, ExportsExactlyTheEightFunctions) {
  FILE* pipe = popen(("nm -D --defined-only " + kLibraryPath).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string field, last;
    while (fields >> field) last = field;
    if (!last.empty()) names.insert(last);
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names,
            (std::set<std::string>{"Read_Guest_Card", "Read_Guest_Lift", "Read_Guest_PowerSwitch",
                                   "Reader_Alarm", "SerialNo_FromNow", "Write_Guest_Card",
                                   "Write_Guest_Lift", "Write_Guest_PowerSwitch"}));
}
#endif

TEST_F(DrevanSimExports, InternalFunctionsCannotBeResolved) {
  EXPECT_EQ(dlsym(lib_.Handle(),
                  "_ZN7keydesk3sim10NextSerialERKNSt7__cxx1112basic_stringIcSt11"
                  "char_traitsIcESaIcEEE"),
            nullptr);
  EXPECT_EQ(dlsym(lib_.Handle(), "_ZN7keydesk3sim11SimSettings15FromEnvironmentEv"), nullptr);
}

// --- Guest-room block ------------------------------------------------------------------------

using DrevanSimGuestCard = DrevanSimTest;

TEST_F(DrevanSimGuestCard, ReadReturnsWhatWasWritten) {
  ASSERT_EQ(WriteGuestCard(), 0);
  GuestCardRead read;
  ReadGuestCard(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.cardNo, 5301);
  EXPECT_EQ(read.startStamp, 803151405u);
  EXPECT_EQ(read.one, 1);
  EXPECT_EQ(read.room.Text(), "08");
  EXPECT_EQ(read.zeros.Text(), "0000");
  EXPECT_EQ(read.pubDoor.Text(), "00000000");
  EXPECT_EQ(read.validFrom.Text(), "0803151405");
  EXPECT_EQ(read.validTo.Text(), "0803171200");
  EXPECT_TRUE(read.Sound());
}

TEST_F(DrevanSimGuestCard, IntegersKeepTheirFullRange) {
  // From 2022 on the start stamp needs the unsigned range.
  ASSERT_EQ(lib_.Write_Guest_Card(1, 1, 0, "572604", -2147483647 - 1, 4294967295u, -1, "08", "0000",
                                  "00000000", "2512311200", "2601011200"),
            0);
  GuestCardRead read;
  ReadGuestCard(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.cardNo, -2147483647 - 1);
  EXPECT_EQ(read.startStamp, 4294967295u);
  EXPECT_EQ(read.one, -1);
}

TEST_F(DrevanSimGuestCard, LongValuesAreCutToTheBufferCapacities) {
  ASSERT_EQ(lib_.Write_Guest_Card(1, 1, 0, "572604", 5301, 803151405u, 1, "123456789", "000000",
                                  "0123456789", "0803151405123", "08031712009999"),
            0);
  GuestCardRead read;
  ReadGuestCard(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.room.Text(), "123456");
  EXPECT_EQ(read.zeros.Text(), "0000");
  EXPECT_EQ(read.pubDoor.Text(), "01234567");
  EXPECT_EQ(read.validFrom.Text(), "080315140512");
  EXPECT_EQ(read.validTo.Text(), "080317120099");
  EXPECT_TRUE(read.Sound());
}

TEST_F(DrevanSimGuestCard, CuttingNeverSplitsATwoByteCharacter) {
  // "1" and three two-byte characters are seven bytes; six would split the last character.
  ASSERT_EQ(WriteGuestCard(5301, (std::string("1") + kRoomName).c_str()), 0);
  GuestCardRead read;
  ReadGuestCard(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.room.Text(), "1\xB7\xBF\xBC\xE4");
  EXPECT_TRUE(read.Sound());
}

TEST_F(DrevanSimGuestCard, WritingAgainReplacesTheBlock) {
  ASSERT_EQ(WriteGuestCard(5301, "08"), 0);
  ASSERT_EQ(WriteGuestCard(5302, "1207"), 0);
  GuestCardRead read;
  ReadGuestCard(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.cardNo, 5302);
  EXPECT_EQ(read.room.Text(), "1207");
}

// --- Lift block ------------------------------------------------------------------------------

using DrevanSimLift = DrevanSimTest;

TEST_F(DrevanSimLift, ReadReturnsWhatWasWritten) {
  ASSERT_EQ(WriteLift(5301, "C300"), 0);
  LiftRead read;
  ReadLift(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.cardNo, 5301);
  EXPECT_EQ(read.validFrom.Text(), "0803151405");
  EXPECT_EQ(read.validTo.Text(), "0803171200");
  EXPECT_EQ(read.liftData.Text(), "C300");
  EXPECT_TRUE(read.Sound());
}

TEST_F(DrevanSimLift, AReadForOtherControllerAddressesFindsNothing) {
  ASSERT_EQ(WriteLift(5301, "C300"), 0);
  LiftRead read;
  // Swapped, as a slip in a caller's argument order would pass them.
  read.result = lib_.Read_Guest_Lift(1, 1, 0, "572604", 97, 96, &read.cardNo, read.validFrom.Data(),
                                     read.validTo.Data(), read.liftData.Data());
  EXPECT_EQ(read.result, kWrongAddress);
  EXPECT_EQ(read.cardNo, -1) << "the outputs stay as they were";
  read.result = lib_.Read_Guest_Lift(1, 1, 0, "572604", 96, 98, &read.cardNo, read.validFrom.Data(),
                                     read.validTo.Data(), read.liftData.Data());
  EXPECT_EQ(read.result, kWrongAddress);
}

TEST_F(DrevanSimLift, ACorruptedFieldIsStoredWronglyWhileTheWriteSucceeds) {
  setenv("DREVAN_SIM_CORRUPT", "Lift.LiftData,GuestCard.Room", 1);
  ASSERT_EQ(WriteLift(5301, "C300"), 0);
  unsetenv("DREVAN_SIM_CORRUPT");
  LiftRead read;
  ReadLift(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.liftData.Text(), "C301");
  EXPECT_EQ(read.cardNo, 5301) << "only the named field";
}

TEST_F(DrevanSimLift, LiftDataIsCutAt256Characters) {
  std::string liftData;
  for (int i = 0; i < 300; ++i) liftData += "0123456789ABCDEF"[i % 16];
  ASSERT_EQ(WriteLift(5301, liftData.c_str()), 0);
  LiftRead read;
  ReadLift(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.liftData.Text(), liftData.substr(0, 256));
  EXPECT_TRUE(read.Sound());
}

// --- Power-switch block ----------------------------------------------------------------------

using DrevanSimPowerSwitch = DrevanSimTest;

TEST_F(DrevanSimPowerSwitch, Type1ReadReturnsWhatWasWritten) {
  ASSERT_EQ(WritePowerSwitch1(5301, "Li Lei"), 0);
  PowerSwitchRead read;
  ReadPowerSwitch(read, 1);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.cardNo, 5301);
  EXPECT_EQ(read.flag, 1);
  EXPECT_EQ(read.room.Text(), "08");
  EXPECT_EQ(read.guestName.Text(), "Li Lei");
  EXPECT_EQ(read.validFrom.Text(), "0803151405");
  EXPECT_EQ(read.validTo.Text(), "0803171200");
  EXPECT_TRUE(read.Sound());
}

TEST_F(DrevanSimPowerSwitch, GuestNameIsCutToEightBytesOfWholeCharacters) {
  ASSERT_EQ(WritePowerSwitch1(5301, kFiveNames), 0);
  PowerSwitchRead read;
  ReadPowerSwitch(read, 1);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.guestName.Text(), std::string(kFiveNames, 8));

  ASSERT_EQ(WritePowerSwitch1(5301, (std::string("A") + kFiveNames).c_str()), 0);
  ReadPowerSwitch(read, 1);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.guestName.Text(), "A" + std::string(kFiveNames, 6));
  EXPECT_TRUE(read.Sound());
}

TEST_F(DrevanSimPowerSwitch, Type2StoresNullTextsAsAbsentAndReadsThemEmpty) {
  ASSERT_EQ(WritePowerSwitch2(), 0);
  const std::string card = ReadFile(card_);
  EXPECT_THAT(card, HasSubstr("\nPowerSwitch.GuestName\n"));
  EXPECT_THAT(card, HasSubstr("\nPowerSwitch.ValidFrom\n"));
  EXPECT_THAT(card, HasSubstr("\nPowerSwitch.SwitchType=2\n"));

  PowerSwitchRead read;
  ReadPowerSwitch(read, 2);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.cardNo, 1);
  EXPECT_EQ(read.flag, 0);
  EXPECT_EQ(read.room.Text(), "08");
  EXPECT_EQ(read.guestName.Text(), "");
  EXPECT_EQ(read.validFrom.Text(), "");
  EXPECT_EQ(read.validTo.Text(), "0803171200");
}

TEST_F(DrevanSimPowerSwitch, ReadingInTheOtherLayoutFails) {
  ASSERT_EQ(WritePowerSwitch2(), 0);
  PowerSwitchRead read;
  ReadPowerSwitch(read, 1);
  EXPECT_EQ(read.result, kWrongLayout);
  EXPECT_TRUE(read.guestName.Untouched());
}

TEST_F(DrevanSimPowerSwitch, OnlyTypes1And2AreKnown) {
  EXPECT_EQ(lib_.Write_Guest_PowerSwitch(1, 1, 2, "FFFFFFFFFFFF", 5301, 1, "08", "Li", "0803151405",
                                         "0803171200", 0),
            kBadArgument);
  EXPECT_FALSE(std::filesystem::exists(card_));

  ASSERT_EQ(WritePowerSwitch1(), 0);
  PowerSwitchRead read;
  ReadPowerSwitch(read, 3);
  EXPECT_EQ(read.result, kNoBlock);  // no guest-room block on this card
}

TEST_F(DrevanSimPowerSwitch, AnUnknownTypeReadsNothingFromAGuestCard) {
  PowerSwitchRead missing;
  ReadPowerSwitch(missing, 0);
  EXPECT_EQ(missing.result, kNoCard);

  ASSERT_EQ(WriteGuestCard(), 0);
  PowerSwitchRead read;
  ReadPowerSwitch(read, 0);
  EXPECT_EQ(read.result, 0);
  EXPECT_TRUE(read.guestName.Untouched());
}

// --- The card file ---------------------------------------------------------------------------

using DrevanSimCardFile = DrevanSimTest;

TEST_F(DrevanSimCardFile, HoldsOneReadableLinePerField) {
  ASSERT_EQ(WriteGuestCard(), 0);
  const std::vector<std::string> lines = Lines(ReadFile(card_));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].substr(0, 2), "# ");
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 1, lines.end()),
              ElementsAre("GuestCard.Port=1", "GuestCard.LockType=1", "GuestCard.Sector=0",
                          "GuestCard.HotelPassword=572604", "GuestCard.CardNo=5301",
                          "GuestCard.StartStamp=803151405", "GuestCard.One=1", "GuestCard.Room=08",
                          "GuestCard.Zeros=0000", "GuestCard.PubDoor=00000000",
                          "GuestCard.ValidFrom=0803151405", "GuestCard.ValidTo=0803171200"));
}

TEST_F(DrevanSimCardFile, LineBreaksAndBackslashesInValuesAreEscaped) {
  ASSERT_EQ(WriteGuestCard(5301, "a\nb\\c"), 0);
  EXPECT_THAT(ReadFile(card_), HasSubstr("\nGuestCard.Room=a\\nb\\\\c\n"));
  GuestCardRead read;
  ReadGuestCard(read);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.room.Text(), "a\nb\\c");
}

TEST_F(DrevanSimCardFile, WritingOneBlockKeepsTheOthersInAFixedOrder) {
  ASSERT_EQ(WritePowerSwitch1(), 0);
  ASSERT_EQ(WriteLift(), 0);
  ASSERT_EQ(WriteGuestCard(5301), 0);
  ASSERT_EQ(WriteGuestCard(5302), 0);

  GuestCardRead card;
  ReadGuestCard(card);
  LiftRead lift;
  ReadLift(lift);
  PowerSwitchRead powerSwitch;
  ReadPowerSwitch(powerSwitch, 1);
  EXPECT_EQ(card.result, 0);
  EXPECT_EQ(card.cardNo, 5302);
  EXPECT_EQ(lift.result, 0);
  EXPECT_EQ(lift.cardNo, 5301);
  EXPECT_EQ(powerSwitch.result, 0);
  EXPECT_EQ(powerSwitch.cardNo, 5301);

  const std::string text = ReadFile(card_);
  EXPECT_LT(text.find("GuestCard."), text.find("Lift."));
  EXPECT_LT(text.rfind("Lift."), text.find("PowerSwitch."));
}

TEST_F(DrevanSimCardFile, ReadsWithoutACardFail) {
  GuestCardRead card;
  ReadGuestCard(card);
  LiftRead lift;
  ReadLift(lift);
  PowerSwitchRead powerSwitch;
  ReadPowerSwitch(powerSwitch, 1);
  EXPECT_EQ(card.result, kNoCard);
  EXPECT_EQ(lift.result, kNoCard);
  EXPECT_EQ(powerSwitch.result, kNoCard);
  EXPECT_TRUE(card.room.Untouched());
  EXPECT_EQ(card.cardNo, -1);
}

TEST_F(DrevanSimCardFile, ReadingABlockNeverWrittenFails) {
  ASSERT_EQ(WriteGuestCard(), 0);
  LiftRead lift;
  ReadLift(lift);
  PowerSwitchRead powerSwitch;
  ReadPowerSwitch(powerSwitch, 2);
  EXPECT_EQ(lift.result, kNoBlock);
  EXPECT_EQ(powerSwitch.result, kNoBlock);
  EXPECT_TRUE(lift.liftData.Untouched());
}

TEST_F(DrevanSimCardFile, NullOutPointersAreRejectedNotFollowed) {
  ASSERT_EQ(WriteGuestCard(), 0);
  ASSERT_EQ(WriteLift(), 0);
  ASSERT_EQ(WritePowerSwitch1(), 0);
  int32_t number = 0;
  uint32_t stamp = 0;
  OutBuffer a(12), b(12), c(12), d(12), e(12);
  EXPECT_EQ(lib_.Read_Guest_Card(1, 1, 0, "572604", &number, &stamp, &number, a.Data(), b.Data(),
                                 c.Data(), d.Data(), nullptr),
            kBadArgument);
  EXPECT_EQ(lib_.Read_Guest_Card(1, 1, 0, "572604", nullptr, &stamp, &number, a.Data(), b.Data(),
                                 c.Data(), d.Data(), e.Data()),
            kBadArgument);
  EXPECT_EQ(lib_.Read_Guest_Lift(1, 1, 0, "572604", 96, 97, &number, a.Data(), b.Data(), nullptr),
            kBadArgument);
  EXPECT_EQ(lib_.Read_Guest_PowerSwitch(1, 1, 2, "FFFFFFFFFFFF", &number, nullptr, a.Data(),
                                        b.Data(), c.Data(), d.Data(), 1),
            kBadArgument);
  EXPECT_TRUE(a.Untouched());
}

TEST_F(DrevanSimCardFile, AMalformedCardFailsToReadUntilRewritten) {
  WriteFile(card_, "GuestCard.Room=08\nnonsense\n");
  GuestCardRead read;
  ReadGuestCard(read);
  EXPECT_EQ(read.result, kDamagedCard);

  // A write keeps what it understands and drops the rest.
  ASSERT_EQ(WriteLift(), 0);
  EXPECT_THAT(ReadFile(card_), Not(HasSubstr("nonsense")));
  ReadGuestCard(read);
  EXPECT_EQ(read.result, kDamagedCard) << "the stored guest block lacks its integers";
  ASSERT_EQ(WriteGuestCard(), 0);
  ReadGuestCard(read);
  EXPECT_EQ(read.result, 0);
}

TEST_F(DrevanSimCardFile, WritingIntoAMissingFolderFails) {
  setenv(kCardVariable, dir_.File("missing/SimCard.txt").c_str(), 1);
  EXPECT_EQ(WriteGuestCard(), kWriteFailed);
  EXPECT_EQ(WriteLift(), kWriteFailed);
  EXPECT_EQ(WritePowerSwitch1(), kWriteFailed);
}

TEST_F(DrevanSimCardFile, WritesLeaveNoTemporaryFileBehind) {
  ASSERT_EQ(WriteGuestCard(), 0);
  ASSERT_EQ(WriteLift(), 0);
  EXPECT_EQ(FolderEntries(dir_.Path()), (std::set<std::string>{"SimCard.txt", "SimCard.txt.lock"}));
}

TEST_F(DrevanSimCardFile, DefaultCardLiesBesideTheLibrary) {
  // A copy of the library in the temporary folder is a separate instance whose own folder
  // is that one, so the build folder stays untouched.
  const std::string copy = dir_.File(kLibraryName);
  std::filesystem::copy_file(kLibraryPath, copy);
  unsetenv(kCardVariable);
  SimLibrary moved(copy);
  ASSERT_EQ(moved.Error(), "");
  ASSERT_EQ(moved.Write_Guest_Card(1, 1, 0, "572604", 5301, 803151405u, 1, "08", "0000", "00000000",
                                   "0803151405", "0803171200"),
            0);
  EXPECT_EQ(moved.SerialNo_FromNow(), 1);
  EXPECT_THAT(ReadFile(dir_.File("SimCard.txt")), HasSubstr("GuestCard.CardNo=5301"));
  EXPECT_EQ(ReadFile(dir_.File("SimSerial.txt")), "1\n");
}

// --- Changes made to the card outside the library --------------------------------------------

// Reads are served from the card last read while nothing says the file changed; these are
// the ways a card can change behind the library's back.
class DrevanSimCardChanges : public DrevanSimTest {
 protected:
  // Rewrites the card file in place (same inode, same size) with its card number changed.
  static void EditCardNumberInPlace(const std::string& path, const std::string& from,
                                    const std::string& to) {
    std::string text = ReadFile(path);
    const size_t at = text.find("GuestCard.CardNo=" + from + "\n");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, from.size() + 18, "GuestCard.CardNo=" + to + "\n");
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    ASSERT_TRUE(out.good());
  }

  int32_t CardNumberRead() {
    GuestCardRead read;
    ReadGuestCard(read);
    return read.result == 0 ? read.cardNo : -read.result;
  }
};

TEST_F(DrevanSimCardChanges, AnEditInPlaceIsReadAtOnce) {
  ASSERT_EQ(WriteGuestCard(5301), 0);
  ASSERT_EQ(CardNumberRead(), 5301);
  EditCardNumberInPlace(card_, "5301", "5309");
  EXPECT_EQ(CardNumberRead(), 5309);
  EditCardNumberInPlace(card_, "5309", "5307");
  EXPECT_EQ(CardNumberRead(), 5307);
}

TEST_F(DrevanSimCardChanges, ARemovedOrReplacedCardIsNoticed) {
  ASSERT_EQ(WriteGuestCard(5301), 0);
  ASSERT_EQ(CardNumberRead(), 5301);
  const std::string saved = ReadFile(card_);
  std::filesystem::remove(card_);
  EXPECT_EQ(CardNumberRead(), -kNoCard);

  WriteFile(dir_.File("other.txt"), saved);
  EditCardNumberInPlace(dir_.File("other.txt"), "5301", "5302");
  std::filesystem::rename(dir_.File("other.txt"), card_);
  EXPECT_EQ(CardNumberRead(), 5302);
}

#if !defined(_WIN32)  // symbolic links
TEST_F(DrevanSimCardChanges, ACardReachedThroughALinkIsReadAfresh) {
  ASSERT_EQ(WriteGuestCard(5301), 0);
  std::filesystem::create_directory(dir_.Path() / "real");
  const std::string real = dir_.File("real/card.txt");
  std::filesystem::copy_file(card_, real);

  // A symbolic link: the file it names changes in another folder.
  const std::string symbolic = dir_.File("symbolic.txt");
  std::filesystem::create_symlink(real, symbolic);
  setenv(kCardVariable, symbolic.c_str(), 1);
  ASSERT_EQ(CardNumberRead(), 5301);
  EditCardNumberInPlace(real, "5301", "5308");
  EXPECT_EQ(CardNumberRead(), 5308);
  // The link pointed at another card, with nothing happening to either file.
  const std::string other = dir_.File("real/other.txt");
  std::filesystem::copy_file(real, other);
  EditCardNumberInPlace(other, "5308", "5304");
  ASSERT_EQ(CardNumberRead(), 5308);
  std::filesystem::create_symlink(other, dir_.File("repointed.txt"));
  std::filesystem::rename(dir_.File("repointed.txt"), symbolic);
  EXPECT_EQ(CardNumberRead(), 5304);
  std::filesystem::remove(other);

  // A second hard link: the file changes through its other name, in another folder.
  const std::string hard = dir_.File("hard.txt");
  std::filesystem::create_hard_link(real, hard);
  setenv(kCardVariable, hard.c_str(), 1);
  ASSERT_EQ(CardNumberRead(), 5308);
  EditCardNumberInPlace(real, "5308", "5306");
  EXPECT_EQ(CardNumberRead(), 5306);
}
#endif

#if !defined(_WIN32)  // fork()
TEST_F(DrevanSimCardChanges, AChildProcessReadingTheCardHidesNoChangeFromItsParent) {
  ASSERT_EQ(WriteGuestCard(5301), 0);
  ASSERT_EQ(CardNumberRead(), 5301);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // Edits and reads the card, which takes in whatever the parent was to be told of it.
    EditCardNumberInPlace(card_, "5301", "5305");
    _exit(CardNumberRead() == 5305 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(CardNumberRead(), 5305);
}
#endif

// --- Injected failures -----------------------------------------------------------------------

using DrevanSimFailures = DrevanSimTest;

TEST_F(DrevanSimFailures, NamedWritesReturnTheCodeAndLeaveTheCardUnchanged) {
  ASSERT_EQ(WriteGuestCard(5301), 0);
  ASSERT_EQ(WriteLift(5301), 0);
  ASSERT_EQ(WritePowerSwitch1(5301), 0);
  const std::string before = ReadFile(card_);

  setenv(kFailVariable, "Write_Guest_Card:9,Write_Guest_Lift:7,Write_Guest_PowerSwitch:-2", 1);
  EXPECT_EQ(WriteGuestCard(6000), 9);
  EXPECT_EQ(WriteLift(6000), 7);
  EXPECT_EQ(WritePowerSwitch1(6000), -2);
  EXPECT_EQ(ReadFile(card_), before);
}

TEST_F(DrevanSimFailures, NamedReadsReturnTheCodeAndLeaveTheBuffersAlone) {
  ASSERT_EQ(WriteGuestCard(), 0);
  ASSERT_EQ(WriteLift(), 0);
  ASSERT_EQ(WritePowerSwitch1(), 0);
  setenv(kFailVariable, "Read_Guest_Card:11,Read_Guest_Lift:12,Read_Guest_PowerSwitch:3", 1);
  GuestCardRead card;
  ReadGuestCard(card);
  LiftRead lift;
  ReadLift(lift);
  PowerSwitchRead powerSwitch;
  ReadPowerSwitch(powerSwitch, 1);
  EXPECT_EQ(card.result, 11);
  EXPECT_EQ(lift.result, 12);
  EXPECT_EQ(powerSwitch.result, 3);
  EXPECT_EQ(card.cardNo, -1);
  EXPECT_TRUE(card.room.Untouched());
  EXPECT_TRUE(lift.liftData.Untouched());
  EXPECT_TRUE(powerSwitch.guestName.Untouched());
}

TEST_F(DrevanSimFailures, OtherFunctionsWorkAsUsual) {
  setenv(kFailVariable, "Write_Guest_Lift:7", 1);
  EXPECT_EQ(WriteGuestCard(), 0);
  EXPECT_EQ(WriteLift(), 7);
  GuestCardRead read;
  ReadGuestCard(read);
  EXPECT_EQ(read.result, 0);
}

TEST_F(DrevanSimFailures, MalformedEntriesAreIgnored) {
  setenv(kFailVariable,
         "Write_Guest_Card,Write_Guest_Card:,Write_Guest_Card:x,Write_Guest_Card:0,"
         "Write_Guest_Card:7x,Write_Guest_Card: 7,:5,,Read_Guest_Card:70000,Write_Guest_Lift:8",
         1);
  EXPECT_EQ(WriteGuestCard(), 0);
  GuestCardRead read;
  ReadGuestCard(read);
  EXPECT_EQ(read.result, 0) << "70000 is no 16-bit code";
  EXPECT_EQ(WriteLift(), 8);
}

TEST_F(DrevanSimFailures, SerialAndAlarmFailToo) {
  setenv(kFailVariable, "SerialNo_FromNow:-5,Reader_Alarm:9", 1);
  EXPECT_EQ(lib_.SerialNo_FromNow(), -5);
  EXPECT_EQ(lib_.Reader_Alarm(1, 1, 1), 9);
  unsetenv(kFailVariable);
  EXPECT_EQ(lib_.SerialNo_FromNow(), 1) << "a failed call must not use up a number";
  EXPECT_EQ(lib_.Reader_Alarm(1, 1, 1), 0);
}

// --- Trace -----------------------------------------------------------------------------------

class DrevanSimTrace : public DrevanSimTest {
 protected:
  void SetUp() override {
    DrevanSimTest::SetUp();
    setenv(kTraceVariable, trace_.c_str(), 1);
  }
  std::string trace_ = dir_.File("trace.txt");
};

TEST_F(DrevanSimTrace, WritesEachCallWithItsArgumentsInOrder) {
  lib_.SerialNo_FromNow();
  lib_.Reader_Alarm(3, 2, 1);
  WriteGuestCard();
  lib_.Write_Guest_Card(10, 5, 255, "", -7, 2512311200u, 1, "1207", "0000", "00000000",
                        "2512311200", "2601021200");
  lib_.Write_Guest_Lift(1, 1, 0, "572604", 5301, 96, 97, 97, "0803151405", "0803171200", "6000");
  WritePowerSwitch1(5301, "Li Lei");
  WritePowerSwitch2();
  GuestCardRead card;
  ReadGuestCard(card);
  LiftRead lift;
  ReadLift(lift);
  PowerSwitchRead powerSwitch;
  ReadPowerSwitch(powerSwitch, 2);

  EXPECT_THAT(
      Lines(ReadFile(trace_)),
      ElementsAre("SerialNo_FromNow", "Reader_Alarm 3 2 1",
                  "Write_Guest_Card 1 1 0 572604 5301 803151405 1 08 0000 00000000 0803151405 "
                  "0803171200",
                  "Write_Guest_Card 10 5 255  -7 2512311200 1 1207 0000 00000000 2512311200 "
                  "2601021200",
                  "Write_Guest_Lift 1 1 0 572604 5301 96 97 97 0803151405 0803171200 6000",
                  "Write_Guest_PowerSwitch 1 1 2 FFFFFFFFFFFF 5301 1 08 Li Lei 0803151405 "
                  "0803171200 1",
                  "Write_Guest_PowerSwitch 1 1 2 FFFFFFFFFFFF 1 0 08 (null) (null) 0803171200 2",
                  "Read_Guest_Card 1 1 0 572604 out out out out out out out out",
                  "Read_Guest_Lift 1 1 0 572604 96 97 out out out out",
                  "Read_Guest_PowerSwitch 1 1 2 FFFFFFFFFFFF out out out out out out 2"));
}

TEST_F(DrevanSimTrace, NullPointersAndLineBreaksKeepOneLinePerCall) {
  OutBuffer from(12), to(12);
  lib_.Read_Guest_Lift(1, 1, 0, nullptr, 96, 97, nullptr, from.Data(), to.Data(), nullptr);
  WriteGuestCard(5301, "a\r\nb");
  EXPECT_THAT(Lines(ReadFile(trace_)),
              ElementsAre("Read_Guest_Lift 1 1 0 (null) 96 97 (null) out out (null)",
                          "Write_Guest_Card 1 1 0 572604 5301 803151405 1 a\\r\\nb 0000 "
                          "00000000 0803151405 0803171200"));
}

TEST_F(DrevanSimTrace, CallsWithAnInjectedFailureAreTraced) {
  setenv(kFailVariable, "Write_Guest_Lift:7,SerialNo_FromNow:4", 1);
  ASSERT_EQ(WriteLift(), 7);
  ASSERT_EQ(lib_.SerialNo_FromNow(), 4);
  EXPECT_THAT(Lines(ReadFile(trace_)),
              ElementsAre("Write_Guest_Lift 1 1 0 572604 5301 96 97 97 0803151405 0803171200 6000",
                          "SerialNo_FromNow"));
}

TEST_F(DrevanSimTrace, AppendsToAnExistingTrace) {
  WriteFile(trace_, "earlier\n");
  lib_.Reader_Alarm(1, 1, 1);
  EXPECT_EQ(ReadFile(trace_), "earlier\nReader_Alarm 1 1 1\n");
}

TEST_F(DrevanSimTrace, LinesOfConcurrentCallersNeverMix) {
  constexpr int kThreads = 8;
  constexpr int kCalls = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCalls; ++i) lib_.Reader_Alarm(t, i, 1);
    });
  }
  for (std::thread& thread : threads) thread.join();

  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kCalls; ++i) {
      expected.insert("Reader_Alarm " + std::to_string(t) + " " + std::to_string(i) + " 1");
    }
  }
  const std::vector<std::string> lines = Lines(ReadFile(trace_));
  EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kCalls));
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);
}

// --- Delay -----------------------------------------------------------------------------------

using DrevanSimDelay = DrevanSimTest;

TEST_F(DrevanSimDelay, EveryCallTakesTheConfiguredTime) {
  setenv(kDelayVariable, "30", 1);
  const auto atLeast30ms = [](auto call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(30);
  };
  GuestCardRead card;
  LiftRead lift;
  PowerSwitchRead powerSwitch;
  EXPECT_TRUE(atLeast30ms([&] { lib_.SerialNo_FromNow(); }));
  EXPECT_TRUE(atLeast30ms([&] { lib_.Reader_Alarm(1, 1, 1); }));
  EXPECT_TRUE(atLeast30ms([&] { WriteGuestCard(); }));
  EXPECT_TRUE(atLeast30ms([&] { WriteLift(); }));
  EXPECT_TRUE(atLeast30ms([&] { WritePowerSwitch1(); }));
  EXPECT_TRUE(atLeast30ms([&] { ReadGuestCard(card); }));
  EXPECT_TRUE(atLeast30ms([&] { ReadLift(lift); }));
  EXPECT_TRUE(atLeast30ms([&] { ReadPowerSwitch(powerSwitch, 1); }));
  EXPECT_EQ(powerSwitch.result, 0) << "the delay only slows a call down";
}

// --- Card numbers ----------------------------------------------------------------------------

using DrevanSimSerial = DrevanSimTest;

TEST_F(DrevanSimSerial, StartsAtOneAndCountsInAFileBesideTheCard) {
  EXPECT_EQ(lib_.SerialNo_FromNow(), 1);
  EXPECT_EQ(lib_.SerialNo_FromNow(), 2);
  EXPECT_EQ(lib_.SerialNo_FromNow(), 3);
  EXPECT_EQ(ReadFile(dir_.File("SimSerial.txt")), "3\n");
}

TEST_F(DrevanSimSerial, ContinuesFromTheStoredNumber) {
  WriteFile(dir_.File("SimSerial.txt"), "41\n");
  EXPECT_EQ(lib_.SerialNo_FromNow(), 42);
  WriteFile(dir_.File("SimSerial.txt"), "not a number");
  EXPECT_EQ(lib_.SerialNo_FromNow(), 1);
}

TEST_F(DrevanSimSerial, StaysAPositive32BitNumber) {
  WriteFile(dir_.File("SimSerial.txt"), "2147483646\n");
  EXPECT_EQ(lib_.SerialNo_FromNow(), 2147483647);
  EXPECT_EQ(lib_.SerialNo_FromNow(), 1);
  EXPECT_EQ(ReadFile(dir_.File("SimSerial.txt")), "1\n");
}

TEST_F(DrevanSimSerial, EachCardFolderHasItsOwnCounter) {
  std::filesystem::create_directory(dir_.Path() / "other");
  EXPECT_EQ(lib_.SerialNo_FromNow(), 1);
  setenv(kCardVariable, dir_.File("other/SimCard.txt").c_str(), 1);
  EXPECT_EQ(lib_.SerialNo_FromNow(), 1);
  EXPECT_EQ(lib_.SerialNo_FromNow(), 2);
}

TEST_F(DrevanSimSerial, UniqueAndIncreasingAcrossThreads) {
  constexpr int kThreads = 8;
  constexpr int kCalls = 100;
  std::vector<std::vector<int32_t>> numbers(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCalls; ++i) numbers[t].push_back(lib_.SerialNo_FromNow());
    });
  }
  for (std::thread& thread : threads) thread.join();

  std::set<int32_t> all;
  for (const std::vector<int32_t>& taken : numbers) {
    EXPECT_TRUE(std::adjacent_find(taken.begin(), taken.end(), std::greater_equal<>()) ==
                taken.end())
        << "numbers of one thread must strictly increase";
    all.insert(taken.begin(), taken.end());
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kCalls));
  EXPECT_EQ(*all.begin(), 1);
  EXPECT_EQ(*all.rbegin(), kThreads * kCalls);
}

#if !defined(_WIN32)  // fork()
TEST_F(DrevanSimSerial, UniqueAcrossProcesses) {
  constexpr int kChildren = 2;
  constexpr int kCalls = 200;
  // The children wait until the pipe closes, so that they draw numbers at the same time.
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (int c = 0; c < kChildren; ++c) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(start[1]);
      char byte;
      if (read(start[0], &byte, 1) != 0) _exit(2);
      std::string text;
      for (int i = 0; i < kCalls; ++i) text += std::to_string(lib_.SerialNo_FromNow()) + "\n";
      std::ofstream(dir_.File("numbers" + std::to_string(c) + ".txt")) << text;
      _exit(0);
    }
    children.push_back(pid);
  }
  close(start[0]);
  close(start[1]);
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  std::set<int32_t> all;
  for (int c = 0; c < kChildren; ++c) {
    std::vector<int32_t> taken;
    for (const std::string& line :
         Lines(ReadFile(dir_.File("numbers" + std::to_string(c) + ".txt")))) {
      taken.push_back(std::stoi(line));
    }
    EXPECT_EQ(taken.size(), static_cast<size_t>(kCalls));
    EXPECT_TRUE(std::adjacent_find(taken.begin(), taken.end(), std::greater_equal<>()) ==
                taken.end())
        << "numbers of one process must strictly increase";
    all.insert(taken.begin(), taken.end());
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(kChildren * kCalls));
  EXPECT_EQ(*all.rbegin(), kChildren * kCalls);
}
#endif

// --- Concurrent writers ----------------------------------------------------------------------

using DrevanSimConcurrency = DrevanSimTest;

// Every write stores the same number as card number, room and lift data, so a read that
// mixes two writes shows up as a mismatch.
TEST_F(DrevanSimConcurrency, WritersNeverCorruptTheCard) {
  constexpr int kWrites = 25;
  ASSERT_EQ(WriteGuestCard(0, "0"), 0);
  ASSERT_EQ(WriteLift(0, "0"), 0);
  ASSERT_EQ(WritePowerSwitch1(0, "0"), 0);

#if !defined(_WIN32)  // a second process writing too, by fork()
  // The other process starts before any thread does, so that fork() copies a quiet process.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 1; i <= kWrites; ++i) {
      const std::string room = std::to_string(90000 + i);
      if (WriteLift(90000 + i, room.c_str()) != 0) _exit(1);
    }
    _exit(0);
  }
#endif

  std::atomic<bool> writing{true};
  std::atomic<int> faults{0};
  std::vector<std::thread> writers;
  for (int w = 1; w <= 3; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 1; i <= kWrites; ++i) {
        const int number = w * 1000 + i;
        const std::string text = std::to_string(number);
        if (WriteGuestCard(number, text.c_str()) != 0 || WriteLift(number, text.c_str()) != 0 ||
            WritePowerSwitch1(number, text.c_str()) != 0) {
          ++faults;
        }
      }
    });
  }
  std::thread reader([&] {
    while (writing) {
      GuestCardRead card;
      ReadGuestCard(card);
      LiftRead lift;
      ReadLift(lift);
      PowerSwitchRead powerSwitch;
      ReadPowerSwitch(powerSwitch, 1);
      if (card.result != 0 || card.room.Text() != std::to_string(card.cardNo) || lift.result != 0 ||
          lift.liftData.Text() != std::to_string(lift.cardNo) || powerSwitch.result != 0 ||
          powerSwitch.guestName.Text() != std::to_string(powerSwitch.cardNo)) {
        ++faults;
      }
    }
  });
  for (std::thread& writer : writers) writer.join();
#if !defined(_WIN32)
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
  writing = false;
  reader.join();

  EXPECT_EQ(faults, 0);
  GuestCardRead card;
  ReadGuestCard(card);
  LiftRead lift;
  ReadLift(lift);
  EXPECT_EQ(card.result, 0);
  EXPECT_EQ(card.cardNo % 1000, kWrites) << "the last write of some writer is on the card";
  EXPECT_EQ(lift.result, 0);
  EXPECT_EQ(lift.cardNo % 1000, kWrites);
}

}  // namespace
}  // namespace keydesk
