#include "kinds/doorlock/doorlock_service.h"

#include "core/network_option.h"

namespace keydesk {

DoorlockService::DoorlockService(const ServiceContext& context, TBaseDoorlock* doorlock)
    : Context(context),
      Doorlock(doorlock),
      Encoder(doorlock != nullptr ? std::make_unique<EncoderAccess>(
                                        *doorlock, context.Network.EncoderTimeout, &context.Status)
                                  : nullptr) {}

}  // namespace keydesk
