#pragma once

#include <memory>

#include "kinds/kind.h"

namespace keydesk {

struct KindEntry;

class TBasePolice;
class TLogFile;

// The police kind (2): every request answered with the registration the installed police
// system offers; its options; and a Test command that shows that registration.
class PoliceKind final : public Kind {
 public:
  // What Test shows when the police system offers no guest (UTF-8).
  static constexpr const char* kNoGuestText = "当前没有客人登记信息。";

  // police is the installed police system, or null to run without one; log must outlive the
  // kind.
  PoliceKind(TLogFile& log, std::unique_ptr<TBasePolice> police);
  ~PoliceKind() override;

  std::unique_ptr<TMessageHandler> CreateHandler() override;
  // The guest fragment of the current registration. Raises ConvertError when its GenderID is
  // not an integer.
  bool NothingToSet() const override;
  std::optional<std::string> TestText() override;

 private:
  TLogFile& log_;
  const std::unique_ptr<TBasePolice> police_;
};

// The kind as start-up finds it in the registry.
const KindEntry& PoliceKindEntry();

}  // namespace keydesk
