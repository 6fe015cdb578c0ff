// keydesk-client: sends one request to keydesk as a PMS does and shows the response, for
// the people who connect a PMS and test from the shell.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "client/client_command_line.h"
#include "client/pms_connection.h"
#include "client/request_builder.h"
#include "client/response_document.h"
#include "client/response_printer.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/program_arguments.h"

namespace {

using namespace keydesk::client;

// Exit statuses, for scripts.
constexpr int kSucceeded = 0;   // result 200, or a police response
constexpr int kFailed = 1;      // result 500, or a response that is not keydesk's
constexpr int kUsage = 2;       // the command line cannot be sent
constexpr int kNoResponse = 3;  // refused, closed without a response, timed out

constexpr std::string_view kSucceededCode = "200";
constexpr std::string_view kFailedCode = "500";

int Complain(int status, const std::string& message) {
  std::cerr << "keydesk-client: " << message << std::endl;
  return status;
}

// The request text of a raw command: the file's bytes, or standard input's for "-".
std::string ReadRequestFile(const std::string& path) {
  if (path == "-") {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError("cannot read the request file '" + path + "'");
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Shows the response in the asked format; the exit status follows its result code. The
// police kind's response has none: any response of it is a success.
int ShowResponse(const ClientCommand& command, const std::string& bytes) {
  if (command.Format == OutputFormat::Xml) std::cout << bytes << "\n";
  ResponseDocument response;
  try {
    response = ReadResponseDocument(bytes);
  } catch (const keydesk::Error& error) {
    if (command.Format != OutputFormat::Xml) std::cout << bytes << "\n";
    return Complain(kFailed,
                    "the response is not an XML document: " + keydesk::Utf8FromAnsi(error.what()));
  }
  if (command.Format == OutputFormat::Fields) std::cout << FieldLines(response);
  if (command.Format == OutputFormat::Json) std::cout << JsonText(response);
  const std::string code = response.FieldValue("ResultCode");
  if (code == kSucceededCode) return kSucceeded;
  if (code == kFailedCode) {
    return Complain(kFailed,
                    "keydesk answered " + code + " " + response.FieldValue("ResultMessage"));
  }
  if (response.RootName == "PoliceResponse") return kSucceeded;
  return Complain(kFailed, "the response has no result code keydesk gives (200 or 500)");
}

int Run(const std::vector<std::string>& arguments) {
  ClientCommand command;
  std::string frame;
  try {
    command = ParseClientCommandLine(arguments);
    if (command.Help) {
      std::cout << ClientUsageText();
      return kSucceeded;
    }
    frame = RequestFrame(command.Op == Operation::Raw ? ReadRequestFile(command.Value("file"))
                                                      : RequestText(command));
  } catch (const UsageError& error) {
    return Complain(kUsage, error.what());
  }
  const Exchange exchange = SendRequest(command.Host, command.Port, frame, command.TimeoutMs);
  if (exchange.Result != Exchange::Outcome::Response) {
    return Complain(kNoResponse, exchange.Problem);
  }
  return ShowResponse(command, exchange.Bytes);
}

}  // namespace

int main(int argc, char** argv) {
  keydesk::UseUtf8Console();
  return Run(keydesk::Utf8Arguments(argc, argv));
}
