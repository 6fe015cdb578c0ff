#include "app/interface_server.h"

#include "core/interface_kind.h"
#include "core/ipv4.h"
#include "core/log_pane.h"
#include "core/network_option.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "intake/request_intake.h"
#include "intake/tcp_listener.h"
#include "kinds/kind.h"
#include "kinds/service_context.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/errors.h"

namespace keydesk {

InterfaceServer::InterfaceServer(Kind& kind, const ServiceContext& context)
    : kind_(kind), context_(context) {}

InterfaceServer::~InterfaceServer() = default;

void InterfaceServer::StartServer(LogPane& pane) {
  StartServer(pane, context_.Network, context_.SysOption.PortNo(*kind_.Info().Port));
}

void InterfaceServer::StartServer(LogPane& pane, const NetworkOption& network, int givenPort) {
  const InterfaceKindInfo& info = kind_.Info();
  ServiceStatus& status = context_.Status;
  const Clock& clock = context_.LocalClock;
  // Connection threads share the intake, so that a thread stuck at shutdown can still use it.
  intake_ = std::make_shared<RequestIntake>(
      [&kind = kind_] { return kind.CreateHandler(); }, kind_.KeepConnection(), context_.Log,
      [&status, &clock](const Ipv4Endpoint& peer, const RequestOutcome& outcome, bool answered,
                        std::string_view) {
        // The error's own words, often the XML reader's English, stay in the log.
        const DateTime now = clock.Now();
        status.RequestEnded(now, outcome.Type, answered, outcome.ResultCode);
        status.Operations().Add({.Time = now,
                                 .Peer = Ipv4Text(peer.Address),
                                 .Type = outcome.Type,
                                 .RoomKey = outcome.RoomKey,
                                 .Guest = outcome.Guest,
                                 .CardNo = outcome.CardNo,
                                 .ResultCode = outcome.ResultCode,
                                 .Answered = answered,
                                 .Reason = outcome.Reason,
                                 .Warning = outcome.Warning});
      },
      ReadLimits{network.RequestTimeout, network.FirstRequestTimeout, network.IdleTimeout},
      &context_.Access);
  listener_ = std::make_unique<TcpListener>(
      [intake = intake_](TConnection& connection) { intake->Serve(connection); },
      ListenerPolicy{network.ListenAddress.value_or(kAnyAddress), network.Allowed,
                     network.MaxConnections, network.MaxConnectionsPerHost},
      &context_.Access, &status);
  // No list, "any" and ranges wider than a /8 let in (nearly) every host of the network.
  const std::string wide = network.Allowed.WideEntry();
  const bool open = network.Allowed.Empty() || !wide.empty();
  status.SetReach(network.ListenAddress ? Ipv4Text(*network.ListenAddress) : std::string(),
                  open ? AnsiFromUtf8(info.AnyHostMay) : std::string(), wide);
  pane.AddLine(AnsiFromUtf8(info.StartLine));
  const int port = givenPort & 0xFFFF;
  try {
    listener_->Activate(port);
  } catch (const Error& error) {
    // The start line stands in the pane all the same; say at once that nothing listens, and
    // what an English system text means for the clerk.
    pane.AddLine(NotListeningLine(port, error.what()));
    const std::string advice = NotListeningAdvice(info, port, error.what());
    if (advice.empty()) {
      status.NotListening(port, error.what());
      throw;
    }
    pane.AddLine(advice);
    status.NotListening(port, advice);
    throw SocketError(std::string(error.what()) + "\n" + advice);
  }
  status.Listened(listener_->Port());
}

void InterfaceServer::StopServer(LogPane& pane) {
  if (listener_ == nullptr) return;
  std::unique_ptr<TcpListener> listener = std::move(listener_);
  listener->Deactivate();
  intake_.reset();
  context_.Status.Stopped();
  pane.AddLine(AnsiFromUtf8(kStopLine));
}

bool InterfaceServer::Listening() const { return listener_ != nullptr && listener_->Active(); }

bool InterfaceServer::Accepting(std::chrono::milliseconds limit) const {
  return listener_ != nullptr && listener_->Accepting(limit);
}

uint16_t InterfaceServer::Port() const { return listener_ != nullptr ? listener_->Port() : 0; }

}  // namespace keydesk
