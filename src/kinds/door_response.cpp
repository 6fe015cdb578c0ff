#include "kinds/door_response.h"

namespace keydesk {

XmlWriter DoorResponseHead(std::string_view requestId, std::string_view resultCode,
                           std::string_view resultMessage) {
  XmlWriter writer;
  writer.Open(kDoorResponseRoot)
      .Element("RequestID", requestId)
      .Element("ResultCode", resultCode)
      .Element("ResultMessage", resultMessage);
  return writer;
}

}  // namespace keydesk
