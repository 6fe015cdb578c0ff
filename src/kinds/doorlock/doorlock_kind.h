#pragma once

#include <memory>

#include "kinds/doorlock/doorlock_service.h"
#include "kinds/kind.h"

namespace keydesk {

struct KindEntry;

class TBaseDoorlock;

// The door lock kind (1): door lock requests through the installed driver, KeepConnection,
// the driver's options dialog and the door lock test dialog.
class DoorlockKind final : public Kind {
 public:
  // doorlock is the installed driver, or null to run without one.
  DoorlockKind(const ServiceContext& context, std::unique_ptr<TBaseDoorlock> doorlock);
  ~DoorlockKind() override;

  std::unique_ptr<TMessageHandler> CreateHandler() override;
  const std::atomic<bool>* KeepConnection() const override { return &service_.KeepConnection; }
  std::unique_ptr<DeviceOptions> MakeOptions() override;
  CardReader EncoderReader() override;
  std::unique_ptr<TestPanel> MakeTestPanel() override;
  void OpenDevice() override;
  void CloseDevice() override;

  DoorlockService& Service() { return service_; }

 private:
  const std::unique_ptr<TBaseDoorlock> doorlock_;
  DoorlockService service_;
};

// The kind as start-up finds it in the registry.
const KindEntry& DoorlockKindEntry();

}  // namespace keydesk
