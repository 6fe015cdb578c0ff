#include "client/response_printer.h"

#include <cstdio>
#include <vector>

namespace keydesk::client {
namespace {

void AppendLines(std::string& out, const std::vector<ResponseField>& fields, int indent) {
  for (const ResponseField& field : fields) {
    out.append(indent, ' ').append(field.Name).append(":");
    if (!field.Value.empty()) out.append(" ").append(field.Value);
    out.append("\n");
    AppendLines(out, field.Children, indent + 2);
  }
}

// A JSON string: UTF-8 passes through; quotes, backslashes and control characters are
// escaped.
void AppendJsonString(std::string& out, const std::string& text) {
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out.append(escaped);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void AppendJsonObject(std::string& out, const std::vector<ResponseField>& fields) {
  out.push_back('{');
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(',');
    AppendJsonString(out, fields[i].Name);
    out.push_back(':');
    if (fields[i].Children.empty()) {
      AppendJsonString(out, fields[i].Value);
    } else {
      AppendJsonObject(out, fields[i].Children);
    }
  }
  out.push_back('}');
}

}  // namespace

std::string FieldLines(const ResponseDocument& response) {
  std::string out;
  AppendLines(out, response.Fields, 0);
  return out;
}

std::string JsonText(const ResponseDocument& response) {
  std::string out;
  AppendJsonObject(out, response.Fields);
  out.push_back('\n');
  return out;
}

}  // namespace keydesk::client
