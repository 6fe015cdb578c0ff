#pragma once

#include <string>

#include "client/response_document.h"

namespace keydesk::client {

// The response's elements one a line, "Name: value"; the elements inside one (the police
// guest) follow it indented by two blanks.
std::string FieldLines(const ResponseDocument& response);

// The response as one JSON object of the root's elements: a text as a string, an element
// holding elements as an object. Ends with a line feed.
std::string JsonText(const ResponseDocument& response);

}  // namespace keydesk::client
