#include "intake/request_intake.h"

#include "core/log_file.h"
#include "intake/connection.h"
#include "platform/errors.h"
#include "wire/decode_utf8.h"

namespace keydesk {

bool DeliverReply(const Reply& reply, const std::function<void(std::string_view frame)>& send,
                  TLogFile& log) {
  std::vector<std::string> lines = reply.OutcomeLines;
  bool sent = false;
  if (reply.Response) {
    try {
      send(ResponseFrame(*reply.Response));
      sent = true;
    } catch (const SocketError& error) {
      if (reply.LogSendFailure) lines.emplace_back(error.what());
    } catch (...) {
      log.WriteLines(lines);  // what the operation did stays on record
      throw;
    }
  }
  lines.insert(lines.end(), reply.LinesAfterSending.begin(), reply.LinesAfterSending.end());
  log.WriteLines(lines);
  return sent;
}

RequestIntake::RequestIntake(MessageHandlerFactory createHandler,
                             const std::atomic<bool>* keepConnection, TLogFile& log,
                             RequestObserver observer)
    : createHandler_(std::move(createHandler)),
      keepConnection_(keepConnection),
      log_(log),
      observer_(std::move(observer)) {}

void RequestIntake::Serve(TConnection& connection) const {
  while (connection.IsOpen() && TCPServerExecute(connection)) {
  }
}

bool RequestIntake::TCPServerExecute(TConnection& connection) const {
  try {
    std::unique_ptr<TMessageHandler> handler = createHandler_();
    const std::optional<std::string> request = connection.ReadRequest();
    if (!request) return false;  // the client left before a NUL: nothing to answer or log
    const Reply reply = handler->HandleMessage(DecodeUtf8(*request));
    const bool sent = DeliverReply(
        reply, [&connection](std::string_view frame) { connection.Write(frame); }, log_);
    if (observer_) observer_(reply.RequestType, sent, reply.ResultCode);
  } catch (const SocketError&) {
    return false;  // reset or aborted: the connection simply ends
  } catch (const std::exception& error) {
    // The request ends without a response; say why, so the PMS's missing answer can be
    // explained from the log.
    log_.Write(error.what());
    if (observer_) observer_({}, false, {});
    return false;
  }
  return keepConnection_ != nullptr && keepConnection_->load();
}

}  // namespace keydesk
