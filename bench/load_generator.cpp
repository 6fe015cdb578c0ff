// keydesk_load: a load generator for the PMS wire protocol (one request of bytes ended by a
// NUL, one response ended by a NUL) on 127.0.0.1. Every response is checked and every wait
// is bounded by socket timeouts. Prints one JSON line on standard output and one line for
// people on standard error. Run with --help for the modes and options.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/resource_limits.h"
#include "platform/socket.h"

namespace {

using keydesk::Socket;
using SteadyClock = std::chrono::steady_clock;
using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr const char* kUsage = R"(usage: keydesk_load --port N [options]

Modes (--mode):
  per-request  each request on a new connection; the server must close it after the response
  keep         each client keeps one connection for all its requests
  once         one request on one connection; exit status 0 when its response passes the check
  idle         open --connections K connections, hold them for --hold seconds
  startup      start the command after "--" --runs times; time from start until --port accepts

Options:
  --port N              the server's port on 127.0.0.1 (required)
  --request FILE        the request bytes; a NUL is appended unless the file ends with one,
                        and trailing line breaks are dropped
  --clients N           concurrent clients, one thread each (default 1)
  --duration S          measured seconds (default 5)
  --warmup S            seconds before measuring, not counted (default 1)
  --timeout-ms N        bound on every connect, send and wait for bytes (default 5000)
  --expect-substring T  a response passes when it holds T
  --expect-regex R      a response passes when R (ECMAScript) matches part of it
  --expect-file FILE    a response passes when it equals the file (a trailing NUL ignored)
                        (default check: a well-formed response: non-empty UTF-8 from "<" to ">")
  --label TEXT          copied into the JSON line
  --connections K       idle mode: connections to open (default 1000)
  --hold S              idle mode: seconds to hold them open (default 5)
  --ready-file FILE     idle mode: written once every connection has been tried
  --pace-us N           idle mode: pause between connects (default 500), so that a listener
                        with a short backlog keeps up instead of dropping SYNs
  --refill 1            idle mode: a connection the server closes is opened again at once
  --from ADDRESS        connect from this local address of 127.0.0.0/8 (another "host")
  --runs N              startup mode: starts to time (default 5)
)";

// ---------------------------------------------------------------- options

enum class Mode { kPerRequest, kKeep, kOnce, kIdle, kStartup };

class ResponseCheck {
 public:
  enum class Kind { kWellFormed, kSubstring, kRegex, kExact };

  void SetSubstring(std::string text) {
    kind_ = Kind::kSubstring;
    text_ = std::move(text);
  }
  void SetRegex(const std::string& pattern) {
    kind_ = Kind::kRegex;
    text_ = pattern;
    regex_.emplace(pattern, std::regex::ECMAScript | std::regex::optimize);
  }
  void SetExact(std::string text) {
    kind_ = Kind::kExact;
    text_ = std::move(text);
  }

  // response: the bytes before the NUL. std::regex is safe to share between threads for
  // matching, as matching does not modify it.
  bool Accepts(std::string_view response) const {
    switch (kind_) {
      case Kind::kWellFormed:
        return !response.empty() && response.front() == '<' && response.back() == '>' &&
               IsUtf8(response);
      case Kind::kSubstring:
        return response.find(text_) != std::string_view::npos;
      case Kind::kRegex:
        return std::regex_search(response.begin(), response.end(), *regex_);
      case Kind::kExact:
        return response == text_;
    }
    return false;
  }

  std::string Describe() const {
    switch (kind_) {
      case Kind::kWellFormed:
        return "well-formed";
      case Kind::kSubstring:
        return "substring";
      case Kind::kRegex:
        return "regex";
      case Kind::kExact:
        return "exact";
    }
    return "?";
  }

 private:
  static bool IsUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
      const auto lead = static_cast<unsigned char>(bytes[i]);
      const size_t length = lead < 0x80           ? 1
                            : (lead >> 5) == 0x6  ? 2
                            : (lead >> 4) == 0xE  ? 3
                            : (lead >> 3) == 0x1E ? 4
                                                  : 0;
      if (length == 0 || i + length > bytes.size()) return false;
      for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
      }
      i += length;
    }
    return true;
  }

  Kind kind_ = Kind::kWellFormed;
  std::string text_;
  std::optional<std::regex> regex_;
};

struct Options {
  Mode mode = Mode::kPerRequest;
  std::string modeName = "per-request";
  int port = 0;
  std::string request;  // with its NUL
  int clients = 1;
  double duration = 5;
  double warmup = 1;
  int timeoutMs = 5000;
  ResponseCheck check;
  std::string label;
  int connections = 1000;
  double hold = 5;
  std::string readyFile;
  int paceUs = 500;
  bool refill = false;
  std::optional<in_addr_t> from;  // network byte order
  int runs = 5;
  std::vector<std::string> command;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  bool haveRequest = false;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help" || name == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (name == "--") {
      options.command.assign(argv + i + 1, argv + argc);
      break;
    }
    if (i + 1 >= argc) throw std::runtime_error("missing value for " + name);
    const std::string value = argv[++i];
    if (name == "--mode") {
      options.modeName = value;
      if (value == "per-request") {
        options.mode = Mode::kPerRequest;
      } else if (value == "keep") {
        options.mode = Mode::kKeep;
      } else if (value == "once") {
        options.mode = Mode::kOnce;
      } else if (value == "idle") {
        options.mode = Mode::kIdle;
      } else if (value == "startup") {
        options.mode = Mode::kStartup;
      } else {
        throw std::runtime_error("unknown mode " + value);
      }
    } else if (name == "--port") {
      options.port = std::stoi(value);
    } else if (name == "--request") {
      std::string bytes = ReadFile(value);
      while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
      if (bytes.empty() || bytes.back() != '\0') bytes.push_back('\0');
      options.request = std::move(bytes);
      haveRequest = true;
    } else if (name == "--clients") {
      options.clients = std::stoi(value);
    } else if (name == "--duration") {
      options.duration = std::stod(value);
    } else if (name == "--warmup") {
      options.warmup = std::stod(value);
    } else if (name == "--timeout-ms") {
      options.timeoutMs = std::stoi(value);
    } else if (name == "--expect-substring") {
      options.check.SetSubstring(value);
    } else if (name == "--expect-regex") {
      options.check.SetRegex(value);
    } else if (name == "--expect-file") {
      std::string bytes = ReadFile(value);
      if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
      options.check.SetExact(std::move(bytes));
    } else if (name == "--label") {
      options.label = value;
    } else if (name == "--connections") {
      options.connections = std::stoi(value);
    } else if (name == "--hold") {
      options.hold = std::stod(value);
    } else if (name == "--ready-file") {
      options.readyFile = value;
    } else if (name == "--pace-us") {
      options.paceUs = std::stoi(value);
    } else if (name == "--refill") {
      options.refill = value != "0";
    } else if (name == "--from") {
      in_addr address{};
      if (::inet_pton(AF_INET, value.c_str(), &address) != 1) {
        throw std::runtime_error("--from needs an IPv4 address");
      }
      options.from = address.s_addr;
    } else if (name == "--runs") {
      options.runs = std::stoi(value);
    } else {
      throw std::runtime_error("unknown option " + name);
    }
  }
  if (options.port <= 0 || options.port > 65535) throw std::runtime_error("--port is required");
  const bool needsRequest = options.mode == Mode::kPerRequest || options.mode == Mode::kKeep ||
                            options.mode == Mode::kOnce;
  if (needsRequest && !haveRequest) throw std::runtime_error("--request is required");
  if (options.mode == Mode::kStartup && options.command.empty()) {
    throw std::runtime_error("startup mode needs the command after --");
  }
  if (options.clients < 1 || options.timeoutMs < 1 || options.duration <= 0 || options.warmup < 0 ||
      options.runs < 1 || options.connections < 1 || options.hold < 0 || options.paceUs < 0) {
    throw std::runtime_error("an option is out of range");
  }
  return options;
}

// ---------------------------------------------------------------- one exchange

enum ErrorKind {
  kRefused,               // nothing listens on the port
  kConnectTimeout,        // the handshake did not complete in time
  kReset,                 // the connection was reset (or the send found it gone)
  kClosedBeforeResponse,  // closed with no response byte
  kClosedMidResponse,     // closed after some bytes, before the NUL
  kTimeout,               // no NUL in time
  kUnexpected,            // the response failed the check
  kNotClosed,             // per-request mode: the server kept the connection after answering
  kExtraBytes,            // bytes after the response's NUL
  kOther,
  kErrorKinds
};

constexpr std::array<const char*, kErrorKinds> kErrorNames = {"refused",
                                                              "connect_timeout",
                                                              "reset",
                                                              "closed_before_response",
                                                              "closed_mid_response",
                                                              "timeout",
                                                              "unexpected",
                                                              "not_closed",
                                                              "extra_bytes",
                                                              "other"};

// A connect that took this long was almost certainly answered by a retransmitted SYN (the
// first retransmission comes after 1 s), i.e. the listen backlog was full.
constexpr milliseconds kSlowConnect{500};

ErrorKind KindOfErrno(int error) {
  switch (error) {
    case ECONNREFUSED:
      return kRefused;
    case ECONNRESET:
    case EPIPE:
    case ECONNABORTED:
      return kReset;
    case EAGAIN:
    case ETIMEDOUT:
      return kTimeout;
    default:
      return kOther;
  }
}

// A blocking socket whose every send and receive gives up after timeout, connected to
// 127.0.0.1:port, from the address from when given. A connect that runs out of time fails
// with EINPROGRESS.
std::optional<Socket> Connect(int port, int timeoutMs, ErrorKind& error,
                              std::optional<in_addr_t> from = std::nullopt) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) {
    error = kOther;
    return std::nullopt;
  }
  const int fd = socket.NativeHandle();
  if (from) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = *from;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      error = kOther;
      return std::nullopt;
    }
  }
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  while (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (errno == EINTR) continue;
    error = errno == EINPROGRESS || errno == EAGAIN || errno == ETIMEDOUT ? kConnectTimeout
                                                                          : KindOfErrno(errno);
    return std::nullopt;
  }
  return socket;
}

bool SendAll(int fd, std::string_view bytes, ErrorKind& error) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      error = KindOfErrno(errno);
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// Reads up to the response's NUL; response receives the bytes before it. A server that
// drips bytes cannot stretch the wait past the deadline.
bool ReadResponse(int fd, SteadyClock::time_point deadline, std::string& response,
                  ErrorKind& error) {
  response.clear();
  char chunk[4096];
  for (;;) {
    const ssize_t received = ::recv(fd, chunk, sizeof chunk, 0);
    if (received < 0) {
      if (errno == EINTR) continue;
      error = KindOfErrno(errno);
      return false;
    }
    if (received == 0) {
      error = response.empty() ? kClosedBeforeResponse : kClosedMidResponse;
      return false;
    }
    const std::string_view bytes(chunk, static_cast<size_t>(received));
    const size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
      response.append(bytes.substr(0, nul));
      if (nul + 1 != bytes.size()) {
        error = kExtraBytes;
        return false;
      }
      return true;
    }
    response.append(bytes);
    if (SteadyClock::now() >= deadline) {
      error = kTimeout;
      return false;
    }
  }
}

// Per-request mode: the server must close the connection once it has answered.
bool WaitForClose(int fd, ErrorKind& error) {
  char byte;
  for (;;) {
    const ssize_t received = ::recv(fd, &byte, 1, 0);
    if (received == 0) return true;
    if (received > 0) {
      error = kExtraBytes;
      return false;
    }
    if (errno == EINTR) continue;
    error = errno == EAGAIN ? kNotClosed : KindOfErrno(errno);
    return false;
  }
}

// ---------------------------------------------------------------- load run

enum Phase { kWarmup = 0, kMeasuring = 1, kStopped = 2 };

struct ClientStats {
  uint64_t completed = 0;
  std::array<uint64_t, kErrorKinds> errors{};
  std::vector<int64_t> latenciesNs;
  uint64_t slowConnects = 0;
  uint64_t warmupCompleted = 0;
  uint64_t warmupErrors = 0;
  std::string firstUnexpected;
};

class LoadRun {
 public:
  explicit LoadRun(const Options& options) : options_(options) {}

  void Client(ClientStats& stats) {
    const bool keep = options_.mode == Mode::kKeep;
    const milliseconds timeout(options_.timeoutMs);
    Socket connection;
    std::string response;
    stats.latenciesNs.reserve(1 << 16);
    while (phase_.load(std::memory_order_relaxed) != kStopped) {
      ErrorKind error = kOther;
      const SteadyClock::time_point start = SteadyClock::now();
      bool ok = true;
      if (!connection.IsOpen()) {
        std::optional<Socket> opened =
            Connect(options_.port, options_.timeoutMs, error, options_.from);
        const auto connected = SteadyClock::now();
        if (connected - start >= kSlowConnect) ++stats.slowConnects;
        if (opened) {
          connection = std::move(*opened);
        } else {
          ok = false;
        }
      }
      // A kept connection's requests are timed from the send; the connect is not theirs.
      const SteadyClock::time_point sent = keep ? SteadyClock::now() : start;
      ok = ok && SendAll(connection.NativeHandle(), options_.request, error) &&
           ReadResponse(connection.NativeHandle(), SteadyClock::now() + timeout, response, error);
      if (ok && !options_.check.Accepts(response)) {
        error = kUnexpected;
        ok = false;
        if (stats.firstUnexpected.empty()) stats.firstUnexpected = response.substr(0, 300);
      }
      const SteadyClock::time_point answered = SteadyClock::now();
      if (ok && !keep) ok = WaitForClose(connection.NativeHandle(), error);
      if (!ok || !keep) connection.Close();
      Record(stats, ok, error, answered - sent);
      // Do not spin on a port where nothing listens.
      if (!ok && (error == kRefused || error == kOther))
        std::this_thread::sleep_for(milliseconds(1));
    }
  }

  void SetPhase(Phase phase) { phase_.store(phase, std::memory_order_relaxed); }

 private:
  void Record(ClientStats& stats, bool ok, ErrorKind error, SteadyClock::duration latency) {
    switch (phase_.load(std::memory_order_relaxed)) {
      case kWarmup:
        ++(ok ? stats.warmupCompleted : stats.warmupErrors);
        break;
      case kMeasuring:
        if (ok) {
          ++stats.completed;
          stats.latenciesNs.push_back(duration_cast<nanoseconds>(latency).count());
        } else {
          ++stats.errors[error];
        }
        break;
      default:
        // Finished after the window: not counted as throughput, but an error is an error.
        if (!ok) ++stats.errors[error];
        break;
    }
  }

  const Options& options_;
  std::atomic<int> phase_{kWarmup};
};

// Nearest-rank percentile of sorted values.
int64_t Percentile(const std::vector<int64_t>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

int RunLoad(const Options& options) {
  LoadRun run(options);
  std::vector<ClientStats> stats(static_cast<size_t>(options.clients));
  std::vector<std::thread> clients;
  clients.reserve(stats.size());
  for (ClientStats& client : stats) clients.emplace_back([&run, &client] { run.Client(client); });
  std::this_thread::sleep_for(
      duration_cast<nanoseconds>(std::chrono::duration<double>(options.warmup)));
  run.SetPhase(kMeasuring);
  const auto windowStart = SteadyClock::now();
  std::this_thread::sleep_for(
      duration_cast<nanoseconds>(std::chrono::duration<double>(options.duration)));
  run.SetPhase(kStopped);
  const double window = std::chrono::duration<double>(SteadyClock::now() - windowStart).count();
  for (std::thread& client : clients) client.join();

  ClientStats total;
  for (ClientStats& client : stats) {
    total.completed += client.completed;
    for (int kind = 0; kind < kErrorKinds; ++kind) total.errors[kind] += client.errors[kind];
    total.latenciesNs.insert(total.latenciesNs.end(), client.latenciesNs.begin(),
                             client.latenciesNs.end());
    total.slowConnects += client.slowConnects;
    total.warmupCompleted += client.warmupCompleted;
    total.warmupErrors += client.warmupErrors;
    if (total.firstUnexpected.empty()) total.firstUnexpected = client.firstUnexpected;
  }
  std::sort(total.latenciesNs.begin(), total.latenciesNs.end());
  uint64_t errors = 0;
  for (uint64_t count : total.errors) errors += count;
  const double throughput = static_cast<double>(total.completed) / window;
  const auto us = [&](double fraction) {
    return Fixed(static_cast<double>(Percentile(total.latenciesNs, fraction)) / 1000.0, 1);
  };
  double mean = 0;
  for (int64_t latency : total.latenciesNs) mean += static_cast<double>(latency);
  if (!total.latenciesNs.empty()) mean /= static_cast<double>(total.latenciesNs.size()) * 1000.0;

  std::ostringstream json;
  json << "{\"label\":" << JsonText(options.label) << ",\"mode\":" << JsonText(options.modeName)
       << ",\"clients\":" << options.clients << ",\"window_s\":" << Fixed(window, 3)
       << ",\"check\":" << JsonText(options.check.Describe())
       << ",\"completed\":" << total.completed << ",\"throughput\":" << Fixed(throughput, 1)
       << ",\"mean_us\":" << Fixed(mean, 1) << ",\"p50_us\":" << us(0.50)
       << ",\"p90_us\":" << us(0.90) << ",\"p99_us\":" << us(0.99) << ",\"max_us\":" << us(1.0)
       << ",\"errors\":" << errors;
  for (int kind = 0; kind < kErrorKinds; ++kind) {
    json << ",\"" << kErrorNames[kind] << "\":" << total.errors[kind];
  }
  json << ",\"slow_connects\":" << total.slowConnects
       << ",\"warmup_completed\":" << total.warmupCompleted
       << ",\"warmup_errors\":" << total.warmupErrors << "}";
  std::printf("%s\n", json.str().c_str());

  std::ostringstream human;
  human << (options.label.empty() ? options.modeName : options.label) << ": " << options.clients
        << " clients, " << total.completed << " ok in " << Fixed(window, 2)
        << " s = " << Fixed(throughput, 0) << " req/s; latency p50 " << us(0.50) << " p90 "
        << us(0.90) << " p99 " << us(0.99) << " max " << us(1.0) << " us; errors " << errors;
  for (int kind = 0; kind < kErrorKinds; ++kind) {
    if (total.errors[kind] != 0) human << " " << kErrorNames[kind] << "=" << total.errors[kind];
  }
  if (total.slowConnects != 0) human << "; slow connects " << total.slowConnects;
  if (total.warmupErrors != 0) human << "; warm-up errors " << total.warmupErrors;
  std::fprintf(stderr, "%s\n", human.str().c_str());
  if (!total.firstUnexpected.empty()) {
    std::fprintf(stderr, "first unexpected response: %s\n", total.firstUnexpected.c_str());
  }
  std::fflush(stdout);
  return 0;
}

// ---------------------------------------------------------------- once, idle, startup

int RunOnce(const Options& options) {
  ErrorKind error = kOther;
  std::string response;
  const auto start = SteadyClock::now();
  std::optional<Socket> connection = Connect(options.port, options.timeoutMs, error, options.from);
  bool ok = connection && SendAll(connection->NativeHandle(), options.request, error) &&
            ReadResponse(connection->NativeHandle(), start + milliseconds(options.timeoutMs),
                         response, error);
  if (ok && !options.check.Accepts(response)) {
    ok = false;
    error = kUnexpected;
  }
  const double us = std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
  std::printf("{\"label\":%s,\"mode\":\"once\",\"ok\":%s,\"error\":%s,\"latency_us\":%s}\n",
              JsonText(options.label).c_str(), ok ? "true" : "false",
              JsonText(ok ? "" : kErrorNames[error]).c_str(), Fixed(us, 1).c_str());
  std::fprintf(stderr, "%s: %s; response: %s\n",
               options.label.empty() ? "once" : options.label.c_str(),
               ok ? "ok" : kErrorNames[error], response.c_str());
  return ok ? 0 : 1;
}

int RunIdle(const Options& options) {
  std::vector<Socket> open;
  open.reserve(static_cast<size_t>(options.connections));
  std::array<uint64_t, kErrorKinds> errors{};
  uint64_t slowConnects = 0;
  const auto start = SteadyClock::now();
  // One after the other and paced: a connection waits in the listen backlog until the server
  // accepts it, and a full backlog drops the next SYN, which costs a 1 s retransmission.
  for (int i = 0; i < options.connections; ++i) {
    if (i > 0 && options.paceUs > 0) std::this_thread::sleep_for(microseconds(options.paceUs));
    ErrorKind error = kOther;
    const auto before = SteadyClock::now();
    std::optional<Socket> connection =
        Connect(options.port, options.timeoutMs, error, options.from);
    if (SteadyClock::now() - before >= kSlowConnect) ++slowConnects;
    if (connection) {
      open.push_back(std::move(*connection));
    } else {
      ++errors[error];
    }
  }
  const double openSeconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  if (!options.readyFile.empty()) {
    std::ofstream(options.readyFile) << open.size() << "\n";
  }
  const auto holdEnd =
      SteadyClock::now() + duration_cast<nanoseconds>(std::chrono::duration<double>(options.hold));
  uint64_t reopened = 0;
  if (options.refill) {
    // As a client that wants the server's places would: whatever the server closes is opened
    // again at once.
    while (SteadyClock::now() < holdEnd) {
      std::vector<pollfd> watched;
      for (const Socket& socket : open) watched.push_back({socket.NativeHandle(), POLLIN, 0});
      if (::poll(watched.data(), watched.size(), 20) <= 0) continue;
      for (size_t i = 0; i < watched.size(); ++i) {
        if ((watched[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        ErrorKind error = kOther;
        std::optional<Socket> again = Connect(options.port, options.timeoutMs, error, options.from);
        if (!again) {
          ++errors[error];
          continue;
        }
        open[i] = std::move(*again);
        ++reopened;
      }
    }
  }
  std::this_thread::sleep_until(holdEnd);

  // Still open: nothing to read and no hang-up from the server.
  std::vector<pollfd> polls;
  for (const Socket& socket : open) polls.push_back({socket.NativeHandle(), POLLIN, 0});
  ::poll(polls.data(), polls.size(), 0);
  size_t stillOpen = 0;
  for (const pollfd& entry : polls) {
    if ((entry.revents & (POLLIN | POLLHUP | POLLERR)) == 0) ++stillOpen;
  }
  uint64_t failed = 0;
  for (uint64_t count : errors) failed += count;
  std::ostringstream json;
  json << "{\"label\":" << JsonText(options.label)
       << ",\"mode\":\"idle\",\"connections\":" << options.connections
       << ",\"opened\":" << open.size() << ",\"failed\":" << failed
       << ",\"still_open\":" << stillOpen << ",\"open_s\":" << Fixed(openSeconds, 3)
       << ",\"slow_connects\":" << slowConnects << ",\"reopened\":" << reopened;
  for (int kind = 0; kind < kErrorKinds; ++kind) {
    json << ",\"" << kErrorNames[kind] << "\":" << errors[kind];
  }
  json << "}";
  std::printf("%s\n", json.str().c_str());
  std::fprintf(stderr, "%s: %zu of %d connections opened in %s s, %zu still open after %s s\n",
               options.label.empty() ? "idle" : options.label.c_str(), open.size(),
               options.connections, Fixed(openSeconds, 2).c_str(), stillOpen,
               Fixed(options.hold, 1).c_str());
  return open.size() == static_cast<size_t>(options.connections) ? 0 : 1;
}

// Waits for the child's end at most wait; true when it ended.
bool Reap(pid_t pid, milliseconds wait) {
  const auto deadline = SteadyClock::now() + wait;
  for (;;) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == pid || (result < 0 && errno != EINTR)) return true;
    if (SteadyClock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
}

int RunStartup(const Options& options) {
  std::vector<char*> argv;
  std::vector<std::string> command = options.command;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);

  std::vector<double> times;
  int failures = 0;
  int stopTimeouts = 0;
  for (int run = 0; run < options.runs; ++run) {
    const auto start = SteadyClock::now();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    std::optional<double> listening;
    const auto deadline = start + milliseconds(options.timeoutMs);
    while (SteadyClock::now() < deadline) {
      ErrorKind error = kOther;
      if (Connect(options.port, options.timeoutMs, error)) {
        listening = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
        break;
      }
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) break;  // it ended by itself: a failure
      std::this_thread::sleep_for(microseconds(200));
    }
    ::kill(pid, SIGTERM);
    if (!Reap(pid, std::chrono::seconds(10))) {
      ++stopTimeouts;
      ::kill(pid, SIGKILL);
      Reap(pid, std::chrono::seconds(10));
    }
    if (listening) {
      times.push_back(*listening);
    } else {
      ++failures;
    }
  }
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  const double median =
      sorted.empty() ? 0
                     : (sorted.size() % 2 == 1
                            ? sorted[sorted.size() / 2]
                            : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2);
  std::ostringstream json;
  json << "{\"label\":" << JsonText(options.label)
       << ",\"mode\":\"startup\",\"runs\":" << options.runs << ",\"failures\":" << failures
       << ",\"stop_timeouts\":" << stopTimeouts << ",\"median_ms\":" << Fixed(median, 2)
       << ",\"min_ms\":" << Fixed(sorted.empty() ? 0 : sorted.front(), 2)
       << ",\"max_ms\":" << Fixed(sorted.empty() ? 0 : sorted.back(), 2) << "}";
  std::printf("%s\n", json.str().c_str());
  std::ostringstream human;
  human << (options.label.empty() ? "startup" : options.label) << ": median " << Fixed(median, 2)
        << " ms to listening over " << times.size() << " starts (";
  for (size_t i = 0; i < times.size(); ++i) human << (i ? " " : "") << Fixed(times[i], 1);
  human << "); failures " << failures << ", stop timeouts " << stopTimeouts;
  std::fprintf(stderr, "%s\n", human.str().c_str());
  return failures == 0 && stopTimeouts == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  // Idle mode holds more descriptors than a default soft limit allows.
  keydesk::RaiseOpenFileLimit();
  try {
    const Options options = ParseOptions(argc, argv);
    switch (options.mode) {
      case Mode::kPerRequest:
      case Mode::kKeep:
        return RunLoad(options);
      case Mode::kOnce:
        return RunOnce(options);
      case Mode::kIdle:
        return RunIdle(options);
      case Mode::kStartup:
        return RunStartup(options);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "keydesk_load: %s\n%s", error.what(), kUsage);
    return 2;
  }
  return 2;
}
