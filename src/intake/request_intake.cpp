#include "intake/request_intake.h"

#include "intake/connection.h"
#include "wire/decode_utf8.h"
#include "core/interface_kind.h"
#include "core/log_file.h"
#include "platform/errors.h"

namespace keydesk {

RequestIntake::RequestIntake(int interfaceKind, MessageHandlerFactory createHandler,
                             const std::atomic<bool>& keepConnection, TLogFile& log)
    : interfaceKind_(interfaceKind),
      createHandler_(std::move(createHandler)),
      keepConnection_(keepConnection),
      log_(log) {}

void RequestIntake::Serve(TConnection& connection) const {
  while (connection.IsOpen() && TCPServerExecute(connection)) {
  }
}

bool RequestIntake::TCPServerExecute(TConnection& connection) const {
  try {
    std::unique_ptr<TMessageHandler> handler = createHandler_();
    const std::optional<std::string> request = connection.ReadRequest();
    if (!request) return false;  // the client left before a NUL: nothing to answer or log
    handler->HandleMessage(connection, DecodeUtf8(*request));
  } catch (const SocketError&) {
    return false;  // reset or aborted: the connection simply ends
  } catch (const std::exception& error) {
    // The request ends without a response; say why, so the PMS's missing answer can be
    // explained from the log.
    log_.Write(error.what());
    return false;
  }
  return interfaceKind_ == kDoorlockKind && keepConnection_.load();
}

}  // namespace keydesk
