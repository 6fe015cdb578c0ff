#include "app/interface_server.h"

#include "kinds/service_context.h"
#include "core/interface_kind.h"
#include "core/log_pane.h"
#include "intake/request_intake.h"
#include "core/sys_option.h"
#include "intake/tcp_listener.h"
#include "kinds/hand/hand_message_handler.h"
#include "kinds/member/member_message_handler.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "kinds/police/police_message_handler.h"
#include "kinds/doorlock/doorlock_message_handler.h"

namespace keydesk {

InterfaceServer::InterfaceServer(AppContext& context) : context_(context) {}

InterfaceServer::~InterfaceServer() = default;

MessageHandlerFactory InterfaceServer::HandlerFactory(AppContext& context) {
  switch (context.InterfaceKind) {
    case kPoliceKind:
      return [&context] { return std::make_unique<TPoliceMessageHandler>(context); };
    case kMemberKind:
      return [&context] { return std::make_unique<TMemberMessageHandler>(context); };
    case kHandKind:
      return [&context] { return std::make_unique<THandMessageHandler>(context); };
    case kDoorlockKind:
    default:
      return [&context] { return std::make_unique<TDoorlockMessageHandler>(context); };
  }
}

void InterfaceServer::StartServer(LogPane& pane) {
  const InterfaceKindInfo* kind = FindInterfaceKind(context_.InterfaceKind);
  if (kind == nullptr)
    throw Error("Unknown interface kind " + std::to_string(context_.InterfaceKind));
  // Connection threads share the intake, so that a thread stuck at shutdown can still use it.
  intake_ = std::make_shared<RequestIntake>(context_.InterfaceKind, HandlerFactory(context_),
                                            context_.KeepConnection, context_.Log);
  listener_ = std::make_unique<TcpListener>(
      [intake = intake_](TConnection& connection) { intake->Serve(connection); });
  pane.AddLine(AnsiFromUtf8(kind->StartLine));
  listener_->Activate(context_.SysOption.*(kind->PortOption));
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
