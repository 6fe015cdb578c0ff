// The simulated guest-card encoder: the vendor card library's eight functions over a card
// kept in a text file (see card_file.h), so that keydesk, its tests and its benchmarks run
// end to end without hardware. Driven by environment variables read at every call:
//   DREVAN_SIM_CARD=PATH       the card file; default SimCard.txt beside this library
//   DREVAN_SIM_FAIL=Name:code,...  the named functions return code without touching the card
//   DREVAN_SIM_DELAY_MS=N      every call first waits N ms, like a real encoder
//   DREVAN_SIM_TRACE=PATH      every call appends one line (see trace_line.h)
// Result codes are in result_codes.h. Safe to call from several threads and processes.
//
// Only these eight functions are exported. Free function templates of namespace std keep
// default visibility whatever the visibility preset, so the simulator's code avoids the ones that
// would be instantiated here (<charconv>, std::to_string, operator+ on strings).
#include <chrono>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>

#include "card_file.h"
#include "decimal.h"
#include "doorlock/drevan_api.h"
#include "doorlock/simulator_mark.h"
#include "result_codes.h"
#include "serial_counter.h"
#include "sim_platform.h"
#include "sim_settings.h"
#include "trace_line.h"

// On Windows, drevan.def names the exports, undecorated as the vendor's DLL has them.
#if defined(_WIN32)
#define DREVAN_EXPORT extern "C"
#else
#define DREVAN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace keydesk::sim {
namespace {

// Kept in the file, though nothing reads it here: keydesk looks for it.
[[gnu::used]] const char kSimulatorMark[] = KEYDESK_SIMULATOR_MARK;

constexpr std::string_view kGuestCardBlock = "GuestCard";
constexpr std::string_view kLiftBlock = "Lift";
constexpr std::string_view kPowerSwitchBlock = "PowerSwitch";

// Out buffer capacities in characters; the caller adds one byte for the NUL.
constexpr size_t kRoomCapacity = 6;
constexpr size_t kZerosCapacity = 4;
constexpr size_t kPubDoorCapacity = 8;
constexpr size_t kValidityCapacity = 12;
constexpr size_t kGuestNameCapacity = 8;
// The library is not told the size of the lift data buffer: the caller sizes it from its
// lift options, which do not bound what the card holds. The simulator writes at most this
// many characters, and the caller's buffer is never smaller than 512.
constexpr size_t kLiftDataCapacity = 256;

constexpr int32_t kSwitchType1 = 1;
constexpr int32_t kSwitchType2 = 2;

// What every entry point does first: trace the call, take the time a real encoder takes,
// and answer with an injected failure when one is asked for (nullopt otherwise).
template <class Result>
std::optional<Result> Enter(std::string_view function, const TraceLine& trace,
                            const SimSettings& settings) {
  trace.AppendTo(settings.tracePath);
  if (settings.delayMs > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(settings.delayMs));
  }
  if (std::optional<int64_t> code = InjectedFailure(function, std::numeric_limits<Result>::min(),
                                                    std::numeric_limits<Result>::max())) {
    return static_cast<Result>(*code);
  }
  return std::nullopt;
}

// Stores wrongly the fields of the block that DREVAN_SIM_CORRUPT names: a digit or letter
// changed at the end, or "X" for an empty or null value. The write still reports success.
void CorruptAsAsked(std::string_view blockName, CardBlock& block) {
  const std::optional<std::string> corrupt = EnvironmentVariable(SimSettings::kCorruptVariable);
  if (!corrupt) return;
  for (CardField& field : block.fields) {
    if (!CorruptionAsked(*corrupt, blockName, field.name)) continue;
    std::string value = field.value.value_or("");
    if (value.empty()) {
      value.push_back('X');
    } else {
      value.back() = value.back() == '1' ? '2' : '1';
    }
    field.value = value;
  }
}

std::optional<std::string> Text(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

std::optional<std::string> Number(int64_t value) { return FormatDecimal(value); }

// The stored integer, or nullopt when the field is missing or not a number of that type.
template <class Integer>
std::optional<Integer> StoredInteger(const CardBlock& block, std::string_view name) {
  const CardField* field = block.Find(name);
  if (field == nullptr || !field->value) return std::nullopt;
  const std::optional<int64_t> value = ParseDecimal(*field->value);
  if (!value || *value < std::numeric_limits<Integer>::min() ||
      *value > std::numeric_limits<Integer>::max()) {
    return std::nullopt;
  }
  return static_cast<Integer>(*value);
}

// Copies the stored text (empty for a null or missing field) into an out buffer of capacity
// characters plus the NUL, cutting it short rather than splitting a two-byte character.
void CopyOut(const CardBlock& block, std::string_view name, char* buffer, size_t capacity) {
  const CardField* field = block.Find(name);
  const std::string_view value =
      field != nullptr && field->value ? std::string_view(*field->value) : std::string_view();
  size_t length = 0;
  while (length < value.size()) {
    // A code page 936 lead byte is 0x81 to 0xFE and takes the next byte with it.
    const auto byte = static_cast<unsigned char>(value[length]);
    const size_t width = byte >= 0x81 && byte <= 0xFE && length + 1 < value.size() ? 2 : 1;
    if (length + width > capacity) break;
    length += width;
  }
  value.copy(buffer, length);
  buffer[length] = '\0';
}

}  // namespace
}  // namespace keydesk::sim

using keydesk::sim::CardBlock;
using keydesk::sim::CardFile;
using keydesk::sim::Enter;
using keydesk::sim::Number;
using keydesk::sim::SimSettings;
using keydesk::sim::StoredInteger;
using keydesk::sim::Text;
using keydesk::sim::TraceLine;
namespace sim = keydesk::sim;

DREVAN_EXPORT int32_t DREVAN_CALL SerialNo_FromNow(void) {
  const SimSettings settings = SimSettings::FromEnvironment();
  const TraceLine trace("SerialNo_FromNow");
  if (auto failure = Enter<int32_t>("SerialNo_FromNow", trace, settings)) return *failure;
  return sim::NextSerial(settings.serialPath);
}

DREVAN_EXPORT int32_t DREVAN_CALL Reader_Alarm(int32_t port, int32_t lock_type, int32_t mode) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Reader_Alarm");
  trace.Integer(port).Integer(lock_type).Integer(mode);
  if (auto failure = Enter<int32_t>("Reader_Alarm", trace, settings)) return *failure;
  return sim::kOk;
}

DREVAN_EXPORT int32_t DREVAN_CALL Write_Guest_Card(int32_t port, int32_t lock_type, uint8_t sector,
                                                   const char* hotel_password, int32_t card_no,
                                                   uint32_t start_stamp, int32_t one,
                                                   const char* room, const char* zeros,
                                                   const char* pub_door, const char* valid_from,
                                                   const char* valid_to) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Write_Guest_Card");
  trace.Integer(port).Integer(lock_type).Integer(sector).Text(hotel_password);
  trace.Integer(card_no).Integer(start_stamp).Integer(one).Text(room).Text(zeros);
  trace.Text(pub_door).Text(valid_from).Text(valid_to);
  if (auto failure = Enter<int32_t>("Write_Guest_Card", trace, settings)) return *failure;

  CardBlock block;
  block.Add("Port", Number(port));
  block.Add("LockType", Number(lock_type));
  block.Add("Sector", Number(sector));
  block.Add("HotelPassword", Text(hotel_password));
  block.Add("CardNo", Number(card_no));
  block.Add("StartStamp", Number(start_stamp));
  block.Add("One", Number(one));
  block.Add("Room", Text(room));
  block.Add("Zeros", Text(zeros));
  block.Add("PubDoor", Text(pub_door));
  block.Add("ValidFrom", Text(valid_from));
  block.Add("ValidTo", Text(valid_to));
  sim::CorruptAsAsked(sim::kGuestCardBlock, block);
  return CardFile(settings.cardPath).WriteBlock(sim::kGuestCardBlock, block);
}

DREVAN_EXPORT int32_t DREVAN_CALL Write_Guest_Lift(int32_t port, int32_t lock_type, uint8_t sector,
                                                   const char* hotel_password, int32_t card_no,
                                                   int32_t begin_addr, int32_t end_addr,
                                                   int32_t max_lift_addr, const char* valid_from,
                                                   const char* valid_to, const char* lift_data) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Write_Guest_Lift");
  trace.Integer(port).Integer(lock_type).Integer(sector).Text(hotel_password);
  trace.Integer(card_no).Integer(begin_addr).Integer(end_addr).Integer(max_lift_addr);
  trace.Text(valid_from).Text(valid_to).Text(lift_data);
  if (auto failure = Enter<int32_t>("Write_Guest_Lift", trace, settings)) return *failure;

  CardBlock block;
  block.Add("Port", Number(port));
  block.Add("LockType", Number(lock_type));
  block.Add("Sector", Number(sector));
  block.Add("HotelPassword", Text(hotel_password));
  block.Add("CardNo", Number(card_no));
  block.Add("BeginAddr", Number(begin_addr));
  block.Add("EndAddr", Number(end_addr));
  block.Add("MaxLiftAddr", Number(max_lift_addr));
  block.Add("ValidFrom", Text(valid_from));
  block.Add("ValidTo", Text(valid_to));
  block.Add("LiftData", Text(lift_data));
  sim::CorruptAsAsked(sim::kLiftBlock, block);
  return CardFile(settings.cardPath).WriteBlock(sim::kLiftBlock, block);
}

DREVAN_EXPORT int32_t DREVAN_CALL Write_Guest_PowerSwitch(
    int32_t port, int32_t lock_type, uint8_t sector, const char* password, int32_t card_no_or_flag,
    int32_t flag, const char* room, const char* guest_name, const char* valid_from,
    const char* valid_to, int32_t switch_type) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Write_Guest_PowerSwitch");
  trace.Integer(port).Integer(lock_type).Integer(sector).Text(password);
  trace.Integer(card_no_or_flag).Integer(flag).Text(room).Text(guest_name).Text(valid_from);
  trace.Text(valid_to).Integer(switch_type);
  if (auto failure = Enter<int32_t>("Write_Guest_PowerSwitch", trace, settings)) {
    return *failure;
  }
  if (switch_type != sim::kSwitchType1 && switch_type != sim::kSwitchType2) {
    return sim::kBadArgument;
  }

  // Both layouts are stored under the same names; SwitchType says which one was written.
  CardBlock block;
  block.Add("Port", Number(port));
  block.Add("LockType", Number(lock_type));
  block.Add("Sector", Number(sector));
  block.Add("Password", Text(password));
  block.Add("CardNo", Number(card_no_or_flag));
  block.Add("Flag", Number(flag));
  block.Add("Room", Text(room));
  block.Add("GuestName", Text(guest_name));
  block.Add("ValidFrom", Text(valid_from));
  block.Add("ValidTo", Text(valid_to));
  block.Add("SwitchType", Number(switch_type));
  sim::CorruptAsAsked(sim::kPowerSwitchBlock, block);
  return CardFile(settings.cardPath).WriteBlock(sim::kPowerSwitchBlock, block);
}

DREVAN_EXPORT int16_t DREVAN_CALL Read_Guest_Card(int32_t port, int32_t lock_type, uint8_t sector,
                                                  const char* hotel_password, int32_t* card_no,
                                                  uint32_t* start_stamp, int32_t* one, char* room,
                                                  char* zeros, char* pub_door, char* valid_from,
                                                  char* valid_to) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Read_Guest_Card");
  trace.Integer(port).Integer(lock_type).Integer(sector).Text(hotel_password);
  trace.Out(card_no).Out(start_stamp).Out(one).Out(room).Out(zeros).Out(pub_door);
  trace.Out(valid_from).Out(valid_to);
  if (auto failure = Enter<int16_t>("Read_Guest_Card", trace, settings)) return *failure;
  if (card_no == nullptr || start_stamp == nullptr || one == nullptr || room == nullptr ||
      zeros == nullptr || pub_door == nullptr || valid_from == nullptr || valid_to == nullptr) {
    return sim::kBadArgument;
  }

  std::shared_ptr<const CardBlock> stored;
  if (const int result = CardFile(settings.cardPath).ReadBlock(sim::kGuestCardBlock, stored);
      result != sim::kOk) {
    return static_cast<int16_t>(result);
  }
  const CardBlock& block = *stored;
  const auto storedCardNo = StoredInteger<int32_t>(block, "CardNo");
  const auto storedStamp = StoredInteger<uint32_t>(block, "StartStamp");
  const auto storedOne = StoredInteger<int32_t>(block, "One");
  if (!storedCardNo || !storedStamp || !storedOne) return sim::kDamagedCard;
  *card_no = *storedCardNo;
  *start_stamp = *storedStamp;
  *one = *storedOne;
  sim::CopyOut(block, "Room", room, sim::kRoomCapacity);
  sim::CopyOut(block, "Zeros", zeros, sim::kZerosCapacity);
  sim::CopyOut(block, "PubDoor", pub_door, sim::kPubDoorCapacity);
  sim::CopyOut(block, "ValidFrom", valid_from, sim::kValidityCapacity);
  sim::CopyOut(block, "ValidTo", valid_to, sim::kValidityCapacity);
  return sim::kOk;
}

DREVAN_EXPORT int16_t DREVAN_CALL Read_Guest_Lift(int32_t port, int32_t lock_type, uint8_t sector,
                                                  const char* hotel_password, int32_t begin_addr,
                                                  int32_t end_addr, int32_t* card_no,
                                                  char* valid_from, char* valid_to,
                                                  char* lift_data) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Read_Guest_Lift");
  trace.Integer(port).Integer(lock_type).Integer(sector).Text(hotel_password);
  trace.Integer(begin_addr).Integer(end_addr);
  trace.Out(card_no).Out(valid_from).Out(valid_to).Out(lift_data);
  if (auto failure = Enter<int16_t>("Read_Guest_Lift", trace, settings)) return *failure;
  if (card_no == nullptr || valid_from == nullptr || valid_to == nullptr || lift_data == nullptr) {
    return sim::kBadArgument;
  }

  std::shared_ptr<const CardBlock> stored;
  if (const int result = CardFile(settings.cardPath).ReadBlock(sim::kLiftBlock, stored);
      result != sim::kOk) {
    return static_cast<int16_t>(result);
  }
  const CardBlock& block = *stored;
  const auto storedCardNo = StoredInteger<int32_t>(block, "CardNo");
  const auto storedBegin = StoredInteger<int32_t>(block, "BeginAddr");
  const auto storedEnd = StoredInteger<int32_t>(block, "EndAddr");
  if (!storedCardNo || !storedBegin || !storedEnd) return sim::kDamagedCard;
  // A real encoder reads the lift block of the controller addresses it is given: other
  // addresses, swapped ones included, find nothing there.
  if (*storedBegin != begin_addr || *storedEnd != end_addr) return sim::kWrongAddress;
  *card_no = *storedCardNo;
  sim::CopyOut(block, "ValidFrom", valid_from, sim::kValidityCapacity);
  sim::CopyOut(block, "ValidTo", valid_to, sim::kValidityCapacity);
  sim::CopyOut(block, "LiftData", lift_data, sim::kLiftDataCapacity);
  return sim::kOk;
}

DREVAN_EXPORT int16_t DREVAN_CALL Read_Guest_PowerSwitch(int32_t port, int32_t lock_type,
                                                         uint8_t sector, const char* password,
                                                         int32_t* card_no, int32_t* flag,
                                                         char* room, char* guest_name,
                                                         char* valid_from, char* valid_to,
                                                         int32_t switch_type) {
  const SimSettings settings = SimSettings::FromEnvironment();
  TraceLine trace("Read_Guest_PowerSwitch");
  trace.Integer(port).Integer(lock_type).Integer(sector).Text(password);
  trace.Out(card_no).Out(flag).Out(room).Out(guest_name).Out(valid_from).Out(valid_to);
  trace.Integer(switch_type);
  if (auto failure = Enter<int16_t>("Read_Guest_PowerSwitch", trace, settings)) {
    return *failure;
  }
  if (card_no == nullptr || flag == nullptr || room == nullptr || guest_name == nullptr ||
      valid_from == nullptr || valid_to == nullptr) {
    return sim::kBadArgument;
  }

  std::shared_ptr<const CardBlock> stored;
  if (switch_type != sim::kSwitchType1 && switch_type != sim::kSwitchType2) {
    // A hotel without power switches reads with no known type: a guest card holds nothing
    // more to read, and the outputs stay as they were.
    return static_cast<int16_t>(
        CardFile(settings.cardPath).ReadBlock(sim::kGuestCardBlock, stored));
  }
  if (const int result = CardFile(settings.cardPath).ReadBlock(sim::kPowerSwitchBlock, stored);
      result != sim::kOk) {
    return static_cast<int16_t>(result);
  }
  const CardBlock& block = *stored;
  const auto storedType = StoredInteger<int32_t>(block, "SwitchType");
  const auto storedCardNo = StoredInteger<int32_t>(block, "CardNo");
  const auto storedFlag = StoredInteger<int32_t>(block, "Flag");
  if (!storedType || !storedCardNo || !storedFlag) return sim::kDamagedCard;
  if (*storedType != switch_type) return sim::kWrongLayout;
  *card_no = *storedCardNo;
  *flag = *storedFlag;
  sim::CopyOut(block, "Room", room, sim::kRoomCapacity);
  sim::CopyOut(block, "GuestName", guest_name, sim::kGuestNameCapacity);
  sim::CopyOut(block, "ValidFrom", valid_from, sim::kValidityCapacity);
  sim::CopyOut(block, "ValidTo", valid_to, sim::kValidityCapacity);
  return sim::kOk;
}

// The exported functions must be exactly what the driver's header declares.
static_assert(std::is_same_v<decltype(&SerialNo_FromNow), SerialNo_FromNow_t>);
static_assert(std::is_same_v<decltype(&Reader_Alarm), Reader_Alarm_t>);
static_assert(std::is_same_v<decltype(&Write_Guest_Card), Write_Guest_Card_t>);
static_assert(std::is_same_v<decltype(&Write_Guest_Lift), Write_Guest_Lift_t>);
static_assert(std::is_same_v<decltype(&Write_Guest_PowerSwitch), Write_Guest_PowerSwitch_t>);
static_assert(std::is_same_v<decltype(&Read_Guest_Card), Read_Guest_Card_t>);
static_assert(std::is_same_v<decltype(&Read_Guest_Lift), Read_Guest_Lift_t>);
static_assert(std::is_same_v<decltype(&Read_Guest_PowerSwitch), Read_Guest_PowerSwitch_t>);
