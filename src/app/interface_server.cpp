#include "app/interface_server.h"

#include "core/interface_kind.h"
#include "core/log_pane.h"
#include "core/sys_option.h"
#include "intake/request_intake.h"
#include "intake/tcp_listener.h"
#include "kinds/kind.h"
#include "platform/code_page.h"

namespace keydesk {

InterfaceServer::InterfaceServer(Kind& kind, const TSysOption& sysOption, TLogFile& log)
    : kind_(kind), sysOption_(sysOption), log_(log) {}

InterfaceServer::~InterfaceServer() = default;

void InterfaceServer::StartServer(LogPane& pane) {
  const InterfaceKindInfo& info = kind_.Info();
  // Connection threads share the intake, so that a thread stuck at shutdown can still use it.
  intake_ = std::make_shared<RequestIntake>([&kind = kind_] { return kind.CreateHandler(); },
                                            kind_.KeepConnection(), log_);
  listener_ = std::make_unique<TcpListener>(
      [intake = intake_](TConnection& connection) { intake->Serve(connection); });
  pane.AddLine(AnsiFromUtf8(info.StartLine));
  listener_->Activate(sysOption_.*(info.PortOption));
}

void InterfaceServer::StopServer(LogPane& pane) {
  if (listener_ == nullptr) return;
  std::unique_ptr<TcpListener> listener = std::move(listener_);
  listener->Deactivate();
  intake_.reset();
  pane.AddLine(AnsiFromUtf8(kStopLine));
}

bool InterfaceServer::Listening() const { return listener_ != nullptr && listener_->Active(); }

uint16_t InterfaceServer::Port() const { return listener_ != nullptr ? listener_->Port() : 0; }

}  // namespace keydesk
