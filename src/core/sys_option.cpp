#include "core/sys_option.h"

#include <array>

#include "platform/profile_binding.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

using Key = ProfileBinding<TSysOption>;

constexpr const char* kSys = "SysOption";
constexpr const char* kDoorlock = "DoorlockOption";

// Loaded and saved in this order.
const std::array<Key, 14>& Keys() {
  static const std::array<Key, 14> keys = {
      Key(kSys, "Password", &TSysOption::Password, "tivrel"),
      Key(kSys, "DoorlockPortNo", &TSysOption::DoorlockPortNo, 8886),
      Key(kSys, "HandPortNo", &TSysOption::HandPortNo, 8886),
      Key(kSys, "PolicePortNo", &TSysOption::PolicePortNo, 8885),
      Key(kSys, "MemberPortNo", &TSysOption::MemberPortNo, 8883),
      Key(kSys, "ScanPortNo", &TSysOption::ScanPortNo, 8881),
      Key(kSys, "WriteLog", &TSysOption::WriteLog, true),
      Key(kDoorlock, "DelayMinutes", &TSysOption::DelayMinutes, 0),
      Key(kDoorlock, "DelayMinutes2", &TSysOption::DelayMinutes2, 0),
      Key(kDoorlock, "UseNativeDoorlockDb", &TSysOption::UseNativeDoorlockDb, false),
      Key(kDoorlock, "SaveDoorlockRecord", &TSysOption::SaveDoorlockRecord, false),
      Key(kDoorlock, "AutoReadDoorCard", &TSysOption::AutoReadDoorCard, false),
      Key(kDoorlock, "PmsServer", &TSysOption::PmsServer, "127.0.0.1"),
      Key(kDoorlock, "PmsServerPort", &TSysOption::PmsServerPort, 9873),
  };
  return keys;
}

}  // namespace

TSysOption::TSysOption(std::string fileName) : FileName(std::move(fileName)) {}

void TSysOption::Load() {
  const ProfileFile file(FileName);
  for (const Key& key : Keys()) key.Load(file, *this);
}

void TSysOption::Save() const {
  ProfileFile file(FileName);
  for (const Key& key : Keys()) key.Save(file, *this);
}

}  // namespace keydesk
