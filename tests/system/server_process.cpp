#include "server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "platform/profile_file.h"
#include "platform/socket.h"

namespace keydesk::test {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Starts the program with its output in the two files. Everything the child needs is
// prepared before fork, since the test process has other threads.
pid_t Spawn(const std::vector<std::string>& arguments,
            const std::map<std::string, std::string>& environment, const std::string& outPath,
            const std::string& errPath, const std::vector<std::string>& commandPrefix = {},
            const std::string& program = kProgramPath) {
  std::vector<std::string> argvStrings = commandPrefix;
  argvStrings.push_back(program);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const size_t equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : environment) merged[name] = value;
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : merged) envStrings.push_back(name + "=" + value);
  std::vector<char*> argv;
  for (auto& argument : argvStrings) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& entry : envStrings) envp.push_back(entry.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) _exit(126);
    dup2(out, 1);
    dup2(err, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The server counts the probe among its connections until it has seen it end, and closes it
// only after that: waiting for its close keeps the probe out of a test's count of places.
void SettleProbe(Socket& probe) {
  ::shutdown(probe.NativeHandle(), SHUT_WR);
  probe.SetReceiveTimeout(std::chrono::seconds(2));
  char byte = 0;
  try {
    while (probe.Receive(&byte, 1) > 0) {
    }
  } catch (const std::exception&) {
    // Not closed in time: the test goes on, as it did before the wait.
  }
}

}  // namespace

uint16_t FreePort() { return Socket::Listen(0, 1).LocalPort(); }

void WriteOption(const std::string& folder, const std::string& section, const std::string& key,
                 const std::string& value) {
  ProfileFile((std::filesystem::path(folder) / "Option.ini").string())
      .WriteString(section, key, value);
}

ServerProcess::ServerProcess(std::string folder, std::vector<std::string> arguments,
                             std::map<std::string, std::string> environment,
                             const std::string& portOption, Launch launch)
    : folder_(std::move(folder)), launch_(std::move(launch)) {
  // A port taken by another process between FreePort and the start: try again.
  const int attempts = launch_.port == 0 ? 5 : 1;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    port_ = launch_.port == 0 ? FreePort() : launch_.port;
    WriteOption(folder_, "SysOption", portOption, std::to_string(port_));
    std::vector<std::string> all{"--headless", "--dir", launch_.folderPrefix + folder_};
    all.insert(all.end(), arguments.begin(), arguments.end());
    pid_ = Spawn(all, environment, folder_ + "/stdout.txt", folder_ + "/stderr.txt",
                 launch_.commandPrefix, launch_.program);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
      try {
        Socket probe = Socket::ConnectLoopback(port_);
        SettleProbe(probe);
        return;
      } catch (const std::exception&) {
      }
      if (!Running()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (Running()) Stop(SIGKILL);
  }
  throw std::runtime_error("keydesk did not start: " + Stderr());
}

ServerProcess::~ServerProcess() {
  if (Running()) Stop(SIGKILL);
}

bool ServerProcess::Running() {
  if (pid_ < 0 || status_ >= 0) return false;
  int status = 0;
  const pid_t result = waitpid(pid_, &status, WNOHANG);
  if (result == pid_) {
    status_ = DecodeStatus(status);
    return false;
  }
  return result == 0;
}

int ServerProcess::Wait(std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

int ServerProcess::Stop(int signal, std::chrono::milliseconds wait) {
  if (!Running()) return status_;
  kill(pid_, signal);
  const int status = Wait(wait);
  if (status == -1) {
    kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(10));
    return -1;
  }
  return status;
}

std::string ServerProcess::Stdout() const { return ReadWhole(folder_ + "/stdout.txt"); }
std::string ServerProcess::Stderr() const { return ReadWhole(folder_ + "/stderr.txt"); }

ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const Launch& launch) {
  const std::string base =
      std::filesystem::temp_directory_path() /
      ("keydesk-run-" + std::to_string(getpid()) + "-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  const pid_t pid = Spawn(arguments, environment, base + ".out", base + ".err",
                          launch.commandPrefix, launch.program);
  int status = 0;
  waitpid(pid, &status, 0);
  ProgramResult result{DecodeStatus(status), ReadWhole(base + ".out"), ReadWhole(base + ".err")};
  std::filesystem::remove(base + ".out");
  std::filesystem::remove(base + ".err");
  return result;
}

}  // namespace keydesk::test
