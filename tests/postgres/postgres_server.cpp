#include "postgres_server.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "server_process.h"
#include "test_pg.h"

namespace keydesk::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSetpriv = "/usr/bin/setpriv";
constexpr const char* kServerUser = "postgres";

// The newest installed server's tools.
std::string ServerBinaries() {
  std::vector<fs::path> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
    if (fs::exists(entry.path() / "bin" / "initdb")) found.push_back(entry.path() / "bin");
  }
  if (found.empty()) {
    throw std::runtime_error("no PostgreSQL server in /usr/lib/postgresql: run scripts/setup");
  }
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    return std::stoi(a.parent_path().filename().string()) <
           std::stoi(b.parent_path().filename().string());
  });
  return found.back().string();
}

// Runs a shell command of fixed text and paths without spaces; raises when it fails.
void Shell(const std::string& command) {
  if (std::system((command + " > /dev/null 2>&1").c_str()) != 0) {
    throw std::runtime_error("failed: " + command);
  }
}

// A certificate authority in folder/name.crt and .key.
void MakeAuthority(const std::string& folder, const std::string& name) {
  Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=" + name + " -keyout " +
        folder + "/" + name + ".key -out " + folder + "/" + name + ".crt");
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

PostgresServer::PostgresServer() : binaries_(ServerBinaries()) {
  data_ = dir_.File("data");
  fs::create_directory(data_);
  if (geteuid() == 0) {
    const passwd* user = getpwnam(kServerUser);
    if (user == nullptr) {
      throw std::runtime_error("no postgres user to run the server as: run scripts/setup");
    }
    // The user must pass through our own folder to reach its data, and nothing more.
    fs::permissions(dir_.Path(), fs::perms(0711));
    if (::chown(data_.c_str(), user->pw_uid, user->pw_gid) != 0) {
      throw std::runtime_error("cannot give " + data_ + " to postgres");
    }
    asUser_ = {kSetpriv, "--reuid=" + std::to_string(user->pw_uid),
               "--regid=" + std::to_string(user->pw_gid), "--clear-groups", "--"};
  }
  fs::permissions(data_, fs::perms(0700));
  RunTool("initdb", {"-D", data_ + "/cluster", "-U", "postgres", "--auth=trust", "-E", "UTF8",
                     "--locale=C", "--no-sync"});
  // The server's certificate and key go into the cluster, the server user's own, readable by
  // it alone as the server demands of its key.
  const std::string keys = dir_.File("keys");
  fs::create_directory(keys);
  MakeAuthority(keys, "authority");
  MakeAuthority(keys, "other");
  authority_ = keys + "/authority.crt";
  otherAuthority_ = keys + "/other.crt";
  const std::string cluster = data_ + "/cluster";
  std::ofstream(keys + "/names.ext") << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
  Shell("openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout " + cluster +
        "/server.key -out " + keys + "/server.csr");
  Shell("openssl x509 -req -days 2 -in " + keys + "/server.csr -CA " + authority_ + " -CAkey " +
        keys + "/authority.key -CAcreateserial -extfile " + keys + "/names.ext -out " + cluster +
        "/server.crt");
  fs::permissions(cluster + "/server.key", fs::perms(0600));
  if (geteuid() == 0) {
    const passwd* user = getpwnam(kServerUser);
    for (const char* file : {"/server.key", "/server.crt"}) {
      if (::chown((cluster + file).c_str(), user->pw_uid, user->pw_gid) != 0) {
        throw std::runtime_error("cannot give " + cluster + file + " to postgres");
      }
    }
  }
  port_ = FreePort();
  Start();
}

PostgresServer::~PostgresServer() {
  try {
    if (running_) Stop();
  } catch (const std::exception&) {
    // The folder goes anyway; a server without its folder shuts itself down.
  }
}

void PostgresServer::RunTool(const std::string& tool,
                             const std::vector<std::string>& arguments) const {
  std::vector<std::string> command = asUser_;
  command.push_back(binaries_ + "/" + tool);
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string output = dir_.File(tool + ".out");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // The tools change to the current folder's parent and back; ours is reachable.
    if (::chdir(data_.c_str()) != 0) _exit(126);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) _exit(126);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(tool + " failed: " + ReadWhole(output));
  }
}

void PostgresServer::Start() {
  // Unix socket in the data folder, TCP on 127.0.0.1 only; fsync off, as nothing here must
  // survive the machine.
  RunTool("pg_ctl", {"-D", data_ + "/cluster", "-l", data_ + "/server.log", "-w", "-t", "60", "-o",
                     "-p " + std::to_string(port_) + " -k " + data_ +
                         " -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60"
                         " -c ssl=on",
                     "start"});
  running_ = true;
}

void PostgresServer::Stop() {
  RunTool("pg_ctl", {"-D", data_ + "/cluster", "-m", "fast", "-w", "-t", "60", "stop"});
  running_ = false;
}

std::string PostgresServer::Connection(const std::string& database) const {
  return "host=127.0.0.1 port=" + std::to_string(port_) + " dbname=" + database + " user=postgres";
}

void PostgresServer::RequirePassword(const std::string& role) {
  const std::string rules = data_ + "/cluster/pg_hba.conf";
  const std::string rest = ReadWhole(rules);
  std::ofstream(rules, std::ios::trunc) << "host all " << role << " 127.0.0.1/32 scram-sha-256\n"
                                        << rest;
  TestPg(Connection("postgres")).Exec("select pg_reload_conf()");
}

std::string PostgresServer::NewDatabase() {
  const std::string name = "desks" + std::to_string(++databases_);
  TestPg(Connection("postgres")).Exec("create database " + name);
  return Connection(name);
}

}  // namespace keydesk::test
