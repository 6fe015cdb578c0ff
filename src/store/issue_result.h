#pragma once

#include <cstdint>
#include <string>

namespace keydesk {

// What a journal row says came of its card-issue attempt, as its IssueResult text begins.
// The row is written before the encoder is touched ("写卡中") and completed afterwards, so a
// crash leaves a row that says so; start-up turns such rows into Interrupted.
enum class IssueState {
  Old,          // empty: journaled before keydesk kept a result
  Writing,      // "写卡中": the encoder is (or was, when the process died) writing the card
  Written,      // "成功"
  Unanswered,   // "卡已写好（卡号 N），PMS 没有收到结果，请在 PMS 核对"
  Interrupted,  // "中断：不知道卡是否写好，请读卡核对"
  Doubtful,  // "失败，卡可能能开门：..." a card that may open the room lies on the encoder
  Failed,    // "失败：..." no card that opens the room was made
  Refused,   // "拒绝：..." the encoder was not touched
};

// The state of a row by its IssueResult text (code page 936).
IssueState IssueStateOf(const std::string& IssueResult);

// Whether a card of a row in that state may open its room: written, or perhaps written.
bool MayOpenRoom(IssueState state);
// Whether the clerk must look at the row: anything but written, in progress, or old.
bool NeedsAttention(IssueState state);

// The texts, code page 936. Reasons are code page 936 too.
std::string WritingResult();
std::string WrittenResult();
std::string UnansweredResult(int64_t CardNo);
std::string InterruptedResult();
// A card that may open the room lies on the encoder: what went wrong, what to do, and
// whether its guest-room block could be made to have expired already (voided).
std::string DoubtfulResult(const std::string& reason);
std::string FailedResult(const std::string& reason);
std::string RefusedResult(const std::string& reason);
// What the journal window shows for a row without a result.
std::string OldRowResult();

}  // namespace keydesk
