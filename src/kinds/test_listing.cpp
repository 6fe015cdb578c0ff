#include "kinds/test_listing.h"

#include "core/operation_list.h"
#include "core/service_status.h"
#include "kinds/service_context.h"
#include "platform/clock.h"
#include "platform/code_page.h"

namespace keydesk {

void ListTestOperation(const ServiceContext& context, const char* type, std::string roomKey,
                       std::string number, bool succeeded, std::string reason,
                       std::string warning) {
  context.Status.Operations().Add({.Time = context.LocalClock.Now(),
                                   .Peer = AnsiFromUtf8(kTestPeer),
                                   .Type = type,
                                   .RoomKey = std::move(roomKey),
                                   .Guest = {},
                                   .CardNo = std::move(number),
                                   .ResultCode = succeeded ? "200" : "500",
                                   .Answered = true,
                                   .Reason = std::move(reason),
                                   .Warning = std::move(warning)});
}

}  // namespace keydesk
