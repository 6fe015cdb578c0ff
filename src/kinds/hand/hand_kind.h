#pragma once

#include <memory>

#include "kinds/kind.h"

namespace keydesk {

struct KindEntry;

class TBaseHand;
struct ServiceContext;

// The hand-tag kind (4): hand-tag requests through the installed device, its options and
// the hand-tag test dialog.
class HandKind final : public Kind {
 public:
  // hand is the installed device, or null to run without one; context must outlive the kind.
  HandKind(const ServiceContext& context, std::unique_ptr<TBaseHand> hand);
  ~HandKind() override;

  std::unique_ptr<TMessageHandler> CreateHandler() override;
  bool NothingToSet() const override;
  std::unique_ptr<TestPanel> MakeTestPanel() override;

 private:
  const ServiceContext& context_;
  const std::unique_ptr<TBaseHand> hand_;
};

// The kind as start-up finds it in the registry.
const KindEntry& HandKindEntry();

}  // namespace keydesk
