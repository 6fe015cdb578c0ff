#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace keydesk::test {

inline constexpr const char* kProgramPath = KEYDESK_BUILD_DIR "/keydesk";

// A port on 127.0.0.1 that was free a moment ago.
uint16_t FreePort();

// Writes one key of DIR/Option.ini.
void WriteOption(const std::string& folder, const std::string& section, const std::string& key,
                 const std::string& value);

// How the program is started, beyond its arguments and environment.
struct Launch {
  // The executable; a test that runs it as another user gives a copy that user can reach.
  std::string program = kProgramPath;
  // A program that execs the executable in the same process (for example /usr/bin/setpriv
  // to drop root; its first word is a full path), so Pid() and Stop() still reach it.
  std::vector<std::string> commandPrefix;
  // The port to listen on; 0 takes a port that was free a moment ago.
  uint16_t port = 0;
  // Put before the folder in the program's --dir: "Z:" for a Windows program under Wine,
  // whose drive Z: is the Linux root.
  std::string folderPrefix;
};

// The real program, started with --headless --dir FOLDER on a free port, its standard output
// and error captured in files of the folder. Killed if still running when destroyed.
class ServerProcess {
 public:
  // Writes the kind's port option into FOLDER/Option.ini, starts the program with the extra
  // arguments and environment (added to this process's), and waits until the port accepts
  // connections. Raises std::runtime_error when it does not come up.
  ServerProcess(std::string folder, std::vector<std::string> arguments = {},
                std::map<std::string, std::string> environment = {},
                const std::string& portOption = "DoorlockPortNo", Launch launch = {});
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  uint16_t Port() const { return port_; }
  pid_t Pid() const { return pid_; }

  // Sends the signal and waits for the exit; the exit status, or -1 when it did not end within
  // the wait (it is then killed), or 128 + signal when a signal ended it.
  int Stop(int signal, std::chrono::milliseconds wait = std::chrono::seconds(10));
  // Waits for the process to end by itself.
  int Wait(std::chrono::milliseconds wait = std::chrono::seconds(10));
  bool Running();

  std::string Stdout() const;
  std::string Stderr() const;

 private:
  std::string folder_;
  Launch launch_;
  uint16_t port_ = 0;
  pid_t pid_ = -1;
  int status_ = -1;
};

// Runs the program to its end with the arguments (no server), giving its exit status and
// output. launch gives another program and its command prefix; its port is not used.
struct ProgramResult {
  int status = -1;
  std::string out;
  std::string err;
};
ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {},
                         const Launch& launch = {});

}  // namespace keydesk::test
