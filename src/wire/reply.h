#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {

// What one request came to, the same record for every kind, so that the access log and the
// operator's status read one thing. Texts are code page 936 as the request or the device gave
// them: whoever shows them escapes them.
struct RequestOutcome {
  std::string Type;        // the request type, or empty when the request could not be read
  std::string RoomKey;     // the room the request names or the answer is about; empty if none
  std::string RegisterId;  // the PMS's register id of an IssueCard
  std::string ResultCode;  // "200", "500"; empty when the response carries none
  std::string CardNo;      // the card or tag number answered; empty when the answer has none
  std::string Guest;       // the guest the request names, for the clerk's list
  std::string Reason;      // why it failed, when the handler knows, for the clerk's list
  // What the clerk must look at although the request succeeded (a card that differs from
  // its journal row); empty when nothing.
  std::string Warning;
  // The client had gone before its response could be sent.
  bool ClientGone = false;
};

// What a handler answers to one request; the intake sends it.
struct Reply {
  // The response text in code page 936; none when the request gets no byte at all.
  std::optional<std::string> Response;
  // Whether a send that fails (the peer has gone) is written to the log as a line of its
  // own: the handlers differ in this, and the request goes on either way.
  bool LogSendFailure = false;
  // The operation's own log lines (what it did) and the lines that end the request. Both
  // are written once the response has been sent (or not), in one go and in this order,
  // with a failed send's line between them: the request's closing lines cost one open of
  // the log file.
  std::vector<std::string> OutcomeLines;
  std::vector<std::string> LinesAfterSending;
  RequestOutcome Outcome;
  // When the client has gone before its response was sent: what the clerk is to read instead
  // of the reason, and what to do about it (a written card's journal row says so). Empty and
  // unset when there is nothing to tell beyond "没有答复".
  std::string ClientGoneReason;
  std::function<void()> ClientGone;
};

// The wire frame of a response text in code page 936: its UTF-8 bytes and one NUL.
std::string ResponseFrame(std::string_view ansiText);

}  // namespace keydesk
