#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <optional>
#include <string>
#include <vector>

#include "kinds/service_context.h"
#include "intake/connection.h"
#include "core/log_file.h"
#include "wire/message_handler.h"
#include "core/sys_option.h"
#include "doorlock/option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "store/doorlock_record_manager.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk::test {

// The shared objects a handler reaches through its context, in a temporary folder, with no
// device installed and the record store left closed.
struct HandlerHarness {
  TempDir dir;
  TSysOption sysOption{dir.File("Option.ini")};
  FixedClock clock{MakeDateTime(2026, 12, 7, 9, 30)};
  TLogFile log{dir.File("20261207.LOG"), sysOption, clock};
  SharedOption option{TOption()};
  TDoorlockRecordManager store{dir.File("Client.mdb"), log};
  AppContext context{sysOption, option, log, store, clock};

  // What one request did: the bytes written on the connection, and the message (UTF-8) of the
  // error that ended it, if one did.
  struct Outcome {
    std::string bytes;
    std::optional<std::string> error;
  };

  // Runs one request (UTF-8) through the handler on one end of a socket pair. With peerGone
  // the other end is closed first, so that the write fails.
  Outcome Run(TMessageHandler& handler, const std::string& request, bool peerGone = false) {
    Outcome outcome;
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
      ADD_FAILURE() << "socketpair failed";
      return outcome;
    }
    TConnection connection{Socket(fds[0])};
    Socket peer(fds[1]);
    if (peerGone) peer.Close();
    try {
      handler.HandleMessage(connection, UnicodeFromAnsi(AnsiFromUtf8(request)));
    } catch (const Error& error) {
      outcome.error = Utf8FromAnsi(error.what());
    }
    connection.Close();
    if (peerGone) return outcome;
    char chunk[4096];
    while (size_t received = peer.Receive(chunk, sizeof chunk)) {
      outcome.bytes.append(chunk, received);
    }
    return outcome;
  }

  // The bytes a request that is expected to end normally wrote.
  std::string Handle(TMessageHandler& handler, const std::string& request, bool peerGone = false) {
    Outcome outcome = Run(handler, request, peerGone);
    if (outcome.error) ADD_FAILURE() << "the request raised: " << *outcome.error;
    return outcome.bytes;
  }

  // The log's messages as UTF-8, without time stamps.
  std::vector<std::string> Log() const { return LogMessages(log.FileName()); }
};

}  // namespace keydesk::test
