#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "core/access_log.h"
#include "core/log_file.h"
#include "core/network_option.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/option.h"
#include "fixed_clock.h"
#include "intake/request_intake.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/socket.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "wire/message_handler.h"

namespace keydesk::test {

// The shared objects a handler uses, in a temporary folder, with the record store left
// closed.
struct HandlerHarness {
  TempDir dir;
  TSysOption sysOption{dir.File("Option.ini")};
  FixedClock clock{MakeDateTime(2026, 12, 7, 9, 30)};
  TLogFile log{dir.File("20261207.LOG"), sysOption, clock};
  SharedOption option{TOption()};
  TDoorlockRecordManager store{dir.File("Client.mdb"), log};
  ServiceStatus status;
  NetworkOption network;
  AccessLog access{dir.Path().string(), "doorlock", false, clock};
  ServiceContext context{sysOption, option, log, store, clock, status, network, access};

  // What one request did: the bytes the intake sent for its reply, and the message (UTF-8)
  // of the error that ended it, if one did.
  struct Outcome {
    std::string bytes;
    std::optional<std::string> error;
  };

  // Runs one request (UTF-8) through the handler and delivers its reply as the intake does.
  // With peerGone the send fails as on a connection whose peer has closed.
  Outcome Run(TMessageHandler& handler, const std::string& request, bool peerGone = false) {
    Outcome outcome;
    try {
      const Reply reply = handler.HandleMessage(UnicodeFromAnsi(AnsiFromUtf8(request)));
      DeliverReply(
          reply,
          [&](std::string_view frame) {
            if (peerGone) throw SocketError(SocketErrorText(EPIPE));
            outcome.bytes.append(frame);
          },
          log);
    } catch (const Error& error) {
      outcome.error = Utf8FromAnsi(error.what());
    }
    return outcome;
  }

  // The bytes a request that is expected to end normally got.
  std::string Handle(TMessageHandler& handler, const std::string& request, bool peerGone = false) {
    Outcome outcome = Run(handler, request, peerGone);
    if (outcome.error) ADD_FAILURE() << "the request raised: " << *outcome.error;
    return peerGone ? std::string() : outcome.bytes;
  }

  // The log's messages as UTF-8, without time stamps.
  std::vector<std::string> Log() const { return LogMessages(log.FileName()); }
};

}  // namespace keydesk::test
