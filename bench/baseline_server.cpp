// keydesk_baseline: the bare server that keydesk's intake is measured against. Same socket
// layer (keydesk::Socket), a new thread for every accepted connection, no parsing, no log:
// it reads to the NUL and writes a fixed response. Without --keep it closes the connection
// after one response; with --keep it answers every request until the client closes.
//
//   keydesk_baseline --port N [--keep] [--backlog 15] [--response-file FILE]
//
// Runs until SIGINT or SIGTERM; then stops accepting, ends every connection and joins
// every thread.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/socket.h"

namespace {

// A successful ReadCard answer, as keydesk gives it, so that the same checks pass.
constexpr const char kDefaultResponse[] =
    "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode>"
    "<ResultMessage>读卡成功</ResultMessage><CardNo>5301</CardNo></DoorResponse>";

// The same listen backlog as keydesk's listener, so both see the same connect storms.
constexpr int kDefaultBacklog = 15;

struct Options {
  int port = 0;
  bool keep = false;
  int backlog = kDefaultBacklog;
  std::string response = std::string(kDefaultResponse) + '\0';
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--keep") {
      options.keep = true;
      continue;
    }
    if (i + 1 >= argc) throw std::runtime_error("missing value for " + name);
    const std::string value = argv[++i];
    if (name == "--port") {
      options.port = std::stoi(value);
    } else if (name == "--backlog") {
      options.backlog = std::stoi(value);
    } else if (name == "--response-file") {
      std::ifstream in(value, std::ios::binary);
      if (!in) throw std::runtime_error("cannot read " + value);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (bytes.empty() || bytes.back() != '\0') bytes.push_back('\0');
      options.response = std::move(bytes);
    } else {
      throw std::runtime_error("unknown option " + name);
    }
  }
  if (options.port < 0 || options.port > 65535) throw std::runtime_error("bad --port");
  return options;
}

// One accepted connection and the thread that serves it. The thread sets done as its last
// step, so the accept loop can join it without waiting.
struct Connection {
  keydesk::Socket socket;
  std::thread thread;
  std::atomic<bool> done{false};
};

class BaselineServer {
 public:
  explicit BaselineServer(const Options& options)
      : options_(options),
        listening_(keydesk::Socket::Listen(static_cast<uint16_t>(options.port), options.backlog)) {}

  uint16_t Port() const { return listening_.LocalPort(); }

  void Start() { acceptThread_ = std::thread(&BaselineServer::AcceptLoop, this); }

  void Stop() {
    listening_.Shutdown();
    if (acceptThread_.joinable()) acceptThread_.join();
    listening_.Close();
    std::list<std::shared_ptr<Connection>> connections;
    {
      std::lock_guard lock(mutex_);
      for (const auto& connection : connections_) connection->socket.Shutdown();
      connections.swap(connections_);
    }
    for (const auto& connection : connections) connection->thread.join();
  }

 private:
  void AcceptLoop() {
    for (;;) {
      keydesk::Socket socket = listening_.Accept();
      if (!socket.IsOpen()) return;
      auto connection = std::make_shared<Connection>();
      connection->socket = std::move(socket);
      std::lock_guard lock(mutex_);
      JoinFinished();
      connection->thread = std::thread(&BaselineServer::Serve, this, connection.get());
      connections_.push_back(std::move(connection));
    }
  }

  // Requires mutex_.
  void JoinFinished() {
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->done.load()) {
        (*it)->thread.join();
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }

  void Serve(Connection* connection) {
    try {
      char buffer[4096];
      bool open = true;
      while (open) {
        const size_t received = connection->socket.Receive(buffer, sizeof buffer);
        if (received == 0) break;
        // One response per NUL; requests that follow one another in one read all count.
        for (const char* at = buffer;
             (at = static_cast<const char*>(std::memchr(at, '\0', buffer + received - at))) !=
             nullptr;
             ++at) {
          connection->socket.SendAll(options_.response);
          if (!options_.keep) {
            open = false;
            break;
          }
        }
      }
    } catch (const keydesk::SocketError&) {
      // reset by the client or shut down by Stop: the connection simply ends
    }
    connection->socket.Close();
    connection->done.store(true);
  }

  const Options options_;
  keydesk::Socket listening_;
  std::thread acceptThread_;
  std::mutex mutex_;
  std::list<std::shared_ptr<Connection>> connections_;  // guarded by mutex_
};

}  // namespace

int main(int argc, char** argv) {
  // Every thread inherits the blocked stop signals; only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    const Options options = ParseOptions(argc, argv);
    BaselineServer server(options);
    server.Start();
    std::printf("keydesk_baseline listening on %u%s\n", server.Port(),
                options.keep ? " (keep)" : "");
    std::fflush(stdout);
    int received = 0;
    while (sigwait(&stopSignals, &received) != 0) {
    }
    server.Stop();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "keydesk_baseline: %s\n", error.what());
    return 1;
  }
  return 0;
}
