#include "core/operation_list.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/code_page.h"

namespace keydesk {
namespace {

struct OperationNameEntry {
  const char* Type;
  const char* Name;
};

constexpr std::array<OperationNameEntry, 10> kOperationNames = {{
    {"IssueCard", "发卡"},
    {"ReadCard", "读卡"},
    {"EraseCard", "注销卡"},
    {"IssueHand", "发手牌"},
    {"ReadHand", "读手牌"},
    {"EraseHand", "注销手牌"},
    {"WriteMemberCard", "写会员卡"},
    {"ReadMemberCard", "读会员卡"},
    {"PrintMemberCard", "打印会员卡"},
    {"PoliceRequest", "取客人信息"},
}};

constexpr const char* kSucceededCode = "200";

}  // namespace

void OperationList::Add(OperationEntry entry) {
  MutexLock lock(mutex_);
  entries_.push_back(std::move(entry));
  if (entries_.size() > kKept) entries_.pop_front();
  ++total_;
}

OperationList::Batch OperationList::Since(uint64_t seen) const {
  MutexLock lock(mutex_);
  Batch batch;
  batch.Total = total_;
  const uint64_t fresh = std::min<uint64_t>(total_ - std::min(seen, total_), entries_.size());
  batch.Entries.assign(entries_.end() - static_cast<std::ptrdiff_t>(fresh), entries_.end());
  return batch;
}

std::string OperationName(const std::string& type) {
  if (type.empty()) return AnsiFromUtf8("无法读取的请求");
  for (const OperationNameEntry& entry : kOperationNames) {
    if (type == entry.Type) return AnsiFromUtf8(entry.Name);
  }
  return type;
}

bool OperationFailed(const OperationEntry& entry) {
  return !entry.Answered || (!entry.ResultCode.empty() && entry.ResultCode != kSucceededCode) ||
         !entry.Warning.empty();
}

std::string OperationLine(const OperationEntry& entry) {
  std::string line = FormatDateTime("yyyy-mm-dd hh:nn:ss", entry.Time) + "  " + entry.Peer + "  " +
                     OperationName(entry.Type);
  if (!entry.RoomKey.empty()) line += AnsiFromUtf8("  房间 ") + entry.RoomKey;
  if (!entry.Guest.empty()) line += "  " + entry.Guest;
  if (!entry.CardNo.empty() && entry.CardNo != "0") line += AnsiFromUtf8("  卡号 ") + entry.CardNo;
  if (!entry.Answered)
    return line + AnsiFromUtf8("  没有答复") +
           (entry.Reason.empty() ? "" : AnsiFromUtf8("：") + entry.Reason);
  const bool succeeded =
      entry.Answered && (entry.ResultCode.empty() || entry.ResultCode == kSucceededCode);
  if (succeeded && entry.Warning.empty()) return line + AnsiFromUtf8("  成功");
  if (succeeded) return line + AnsiFromUtf8("  成功，") + entry.Warning;
  return line + AnsiFromUtf8("  失败") +
         (entry.Reason.empty() ? "" : AnsiFromUtf8("：") + entry.Reason);
}

}  // namespace keydesk
