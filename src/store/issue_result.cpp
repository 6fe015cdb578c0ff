#include "store/issue_result.h"

#include <array>
#include <string_view>

#include "platform/code_page.h"

namespace keydesk {
namespace {

// UTF-8 here; the texts inside the system are code page 936.
constexpr std::string_view kWriting = "写卡中";
constexpr std::string_view kWritten = "成功";
constexpr std::string_view kUnanswered = "卡已写好";
constexpr std::string_view kInterrupted = "中断：不知道卡是否写好，请读卡核对";
constexpr std::string_view kDoubtful = "失败，卡可能能开门：";
constexpr std::string_view kFailed = "失败";
constexpr std::string_view kRefused = "拒绝：";
constexpr std::string_view kDestroy = "；请销毁此卡或重新写卡";

struct Prefix {
  std::string_view Text;
  IssueState State;
};
// Longer prefixes first: "失败，卡可能能开门" begins like "失败".
constexpr std::array<Prefix, 7> kPrefixes = {{
    {kWriting, IssueState::Writing},
    {kWritten, IssueState::Written},
    {kUnanswered, IssueState::Unanswered},
    {"中断", IssueState::Interrupted},
    {kDoubtful, IssueState::Doubtful},
    {kFailed, IssueState::Failed},
    {"拒绝", IssueState::Refused},
}};

}  // namespace

IssueState IssueStateOf(const std::string& IssueResult) {
  if (IssueResult.empty()) return IssueState::Old;
  for (const Prefix& prefix : kPrefixes) {
    if (IssueResult.starts_with(AnsiFromUtf8(std::string(prefix.Text)))) return prefix.State;
  }
  return IssueState::Failed;  // a text of no known form is not taken for a card
}

bool MayOpenRoom(IssueState state) {
  switch (state) {
    case IssueState::Writing:
    case IssueState::Written:
    case IssueState::Unanswered:
    case IssueState::Interrupted:
    case IssueState::Doubtful:
      return true;
    case IssueState::Old:
    case IssueState::Failed:
    case IssueState::Refused:
      return false;
  }
  return false;
}

bool NeedsAttention(IssueState state) {
  return state != IssueState::Written && state != IssueState::Writing && state != IssueState::Old;
}

std::string WritingResult() { return AnsiFromUtf8(std::string(kWriting)); }
std::string WrittenResult() { return AnsiFromUtf8(std::string(kWritten)); }

std::string UnansweredResult(int64_t CardNo) {
  return AnsiFromUtf8("卡已写好（卡号 " + std::to_string(CardNo) +
                      "），PMS 没有收到结果，请在 PMS 核对");
}

std::string InterruptedResult() { return AnsiFromUtf8(std::string(kInterrupted)); }

std::string DoubtfulResult(const std::string& reason) {
  return AnsiFromUtf8(std::string(kDoubtful)) + reason + AnsiFromUtf8(std::string(kDestroy));
}

std::string FailedResult(const std::string& reason) {
  return AnsiFromUtf8(std::string(kFailed) + "：") + reason;
}

std::string RefusedResult(const std::string& reason) {
  return AnsiFromUtf8(std::string(kRefused)) + reason;
}

std::string OldRowResult() { return AnsiFromUtf8("（旧记录，没有结果）"); }

}  // namespace keydesk
