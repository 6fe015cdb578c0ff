#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "platform/mutex.h"

namespace keydesk {

// One operation the clerk sees in the main window's list: a PMS request. Texts are code page
// 936.
struct OperationEntry {
  DateTime Time;
  std::string Peer;        // the PMS host's address
  std::string Type;        // the request type ("IssueCard"), empty when it could not be read
  std::string RoomKey;     // the room, when the request names one
  std::string Guest;       // the guest, when the request names one
  std::string CardNo;      // the card or tag number answered
  std::string ResultCode;  // "200", "500"; empty where the response carries none
  bool Answered = false;   // whether a response was sent
  std::string Reason;      // why it failed, when known
  std::string Warning;     // what the clerk must notice although it succeeded
};

// The newest operations, for the main window's list: at most kKept, the oldest dropped.
//
// Thread-safe: connection threads add, the window's thread reads what is new.
class OperationList {
 public:
  static constexpr size_t kKept = 1000;

  void Add(OperationEntry entry) EXCLUDES(mutex_);

  struct Batch {
    uint64_t Total = 0;                   // entries ever added; pass it as seen next time
    std::vector<OperationEntry> Entries;  // those added after seen, at most kKept, oldest first
  };
  Batch Since(uint64_t seen) const EXCLUDES(mutex_);

 private:
  mutable Mutex mutex_;
  std::deque<OperationEntry> entries_ GUARDED_BY(mutex_);
  uint64_t total_ GUARDED_BY(mutex_) = 0;
};

// The operation's name in Chinese ("发卡" for "IssueCard"); the type itself for one the
// table lacks; "无法读取的请求" for none.
std::string OperationName(const std::string& type);

// Whether the clerk must notice it: not answered, answered with another code than "200", or
// with a warning.
bool OperationFailed(const OperationEntry& entry);

// The list's line: time, peer, operation, room, guest, card number, and 成功 (with the
// warning) or 失败 with the reason (or 没有答复).
std::string OperationLine(const OperationEntry& entry);

}  // namespace keydesk
