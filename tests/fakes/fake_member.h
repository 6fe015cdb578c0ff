#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "devices/base_member.h"
#include "fakes/call_count.h"
#include "platform/errors.h"

namespace keydesk::test {

// The arguments of one WriteCard call.
struct MemberWrite {
  std::string cardNo, text2, text3, text4;
  int32_t channel = 0;
  bool operator==(const MemberWrite&) const = default;
};

// The arguments of one ReadCard call.
struct MemberRead {
  bool flag = false;
  bool outsEmpty = false;  // all five out texts were empty when the device got them
  int32_t channel = 0;
  bool operator==(const MemberRead&) const = default;
};

// A member-card device that answers as told: every operation returns result, and a read
// fills every out text whatever its result. It records each call's name in order, and every
// write, read and print with its arguments. With raise set, an operation records its call
// and then throws Error with that text (code page 936), as a device with a broken
// connection might. Not thread-safe: for tests that call it from one thread.
class FakeMember final : public TBaseMember {
 public:
  bool OpenPort() override { return Answer("OpenPort"); }
  bool ClosePort() override { return Answer("ClosePort"); }
  void Beep() override { Answer("Beep"); }
  bool WriteCard(const std::string& CardNo, const std::string& Text2, const std::string& Text3,
                 const std::string& Text4, int32_t Channel) override {
    writes.push_back({CardNo, Text2, Text3, Text4, Channel});
    return Answer("WriteCard");
  }
  bool ReadCard(bool Flag, std::string& CardNo, std::string& Password, std::string& ExpireDate,
                std::string& GuestName, std::string& Score, int32_t Channel) override {
    const bool outsEmpty = CardNo.empty() && Password.empty() && ExpireDate.empty() &&
                           GuestName.empty() && Score.empty();
    reads.push_back({Flag, outsEmpty, Channel});
    const bool answer = Answer("ReadCard");
    CardNo = cardNo;
    Password = password;
    ExpireDate = "2027-12-31";
    GuestName = guestName;
    Score = "250";
    return answer;
  }
  bool PrintCard(const std::string& CardNo, const std::string& PrintText) override {
    prints.emplace_back(CardNo, PrintText);
    return Answer("PrintCard");
  }

  int Count(std::string_view operation) const { return CallCount(calls, operation); }

  // What a read leaves in CardNo, Password and GuestName.
  std::string cardNo = "8001";
  std::string password = "pw";
  std::string guestName = "Li";
  bool result = true;
  std::optional<std::string> raise;
  std::vector<std::string> calls;
  std::vector<MemberWrite> writes;
  std::vector<MemberRead> reads;
  std::vector<std::pair<std::string, std::string>> prints;  // card number and text

 private:
  bool Answer(const std::string& operation) {
    calls.push_back(operation);
    if (raise) throw Error(*raise);
    return result;
  }
};

}  // namespace keydesk::test
