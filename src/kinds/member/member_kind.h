#pragma once

#include <memory>

#include "kinds/kind.h"

namespace keydesk {

struct KindEntry;

class TBaseMember;
struct ServiceContext;

// The member-card kind (3): member-card requests through the installed device, its options
// and the member-card test dialog.
class MemberKind final : public Kind {
 public:
  // member is the installed device, or null to run without one; context must outlive the
  // kind.
  MemberKind(const ServiceContext& context, std::unique_ptr<TBaseMember> member);
  ~MemberKind() override;

  std::unique_ptr<TMessageHandler> CreateHandler() override;
  bool NothingToSet() const override;
  std::unique_ptr<TestPanel> MakeTestPanel() override;

 private:
  const ServiceContext& context_;
  const std::unique_ptr<TBaseMember> member_;
};

// The kind as start-up finds it in the registry.
const KindEntry& MemberKindEntry();

}  // namespace keydesk
