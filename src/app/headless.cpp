#include "app/headless.h"

#include <ostream>

#include "app/application.h"
#include "app/interface_server.h"
#include "app/watchdog_feeder.h"
#include "core/log_pane.h"
#include "core/service_status.h"
#include "core/status_text.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/service_notify.h"
#include "platform/stop_request.h"

namespace keydesk {
namespace {

// The log pane of a run without a window: its lines go to standard output.
class StreamLogPane final : public LogPane {
 public:
  explicit StreamLogPane(std::ostream& out) : out_(out) {}
  void AddLine(const std::string& line) override { out_ << Utf8FromAnsi(line) << std::endl; }

 private:
  std::ostream& out_;
};

}  // namespace

HeadlessResult RunHeadless(Application& application, std::ostream& out, std::ostream& err) {
  StreamLogPane pane(out);
  ServiceStatus& status = application.Context().Status;
  err << "keydesk: " << Utf8FromAnsi(EncoderStatusText(status.Get())) << std::endl;
  // A store the options need and start-up could not open is told before any card is cut.
  for (const std::string& warning :
       {UnverifiedStoreWarningText(status.Get()), StoreWarningText(status.Get())}) {
    if (!warning.empty()) err << "keydesk: " << Utf8FromAnsi(warning) << std::endl;
  }
  // Told once per episode: when writing starts to fail, and when it works again.
  status.SetListener([&err](ServiceStatus::Change change, const ServiceStatus::Snapshot& now) {
    if (change == ServiceStatus::Change::StoreFailed) {
      err << "keydesk: " << Utf8FromAnsi(StoreWarningText(now)) << std::endl;
    } else if (change == ServiceStatus::Change::StoreRecovered) {
      const std::string still = StoreWarningText(now);
      err << "keydesk: " << (still.empty() ? "写入已恢复" : Utf8FromAnsi(still)) << std::endl;
    } else if (change == ServiceStatus::Change::Encoder) {
      err << "keydesk: " << Utf8FromAnsi(EncoderStatusText(now)) << std::endl;
    } else if (change == ServiceStatus::Change::Refused && !now.Refused.empty()) {
      // A host's first refusal for a reason; the access log has every one.
      err << "keydesk: " << Utf8FromAnsi(RefusedHostsText(now.Refused.back())) << std::endl;
    }
  });
  InterfaceServer server(application.Kind(), application.Context());
  try {
    server.StartServer(pane);
  } catch (const Error& error) {
    err << Utf8FromAnsi(error.what()) << std::endl;
    application.Shutdown();
    status.SetListener({});
    return {1, false};
  }
  err << "keydesk: " << Utf8FromAnsi(ListenerStatusText(status.Get())) << std::endl;
  // Told once: while it holds, the status bar of a window would show it all the time.
  if (const std::string warning = AccessWarningText(status.Get()); !warning.empty()) {
    err << "keydesk: " << Utf8FromAnsi(warning) << std::endl;
  }
  // Only now does a service manager count the service as started: the port accepts.
  NotifyServiceManager("READY=1");
  {
    const WatchdogFeeder watchdog(server, status);
    WaitForStopRequest();
  }
  NotifyServiceManager("STOPPING=1");

  HeadlessResult result;
  try {
    server.StopServer(pane);
  } catch (const Error& error) {
    // Shutting down goes on: the port is closed all the same.
    err << Utf8FromAnsi(error.what()) << std::endl;
    result.ThreadsLeftRunning = true;
  }
  application.Shutdown();
  if (!result.ThreadsLeftRunning) status.SetListener({});
  return result;
}

}  // namespace keydesk
