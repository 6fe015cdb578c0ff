#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/connection_refusal.h"
#include "core/operation_list.h"
#include "platform/date_time.h"
#include "platform/mutex.h"

namespace keydesk {

// What the operator sees of the running service besides the log pane: whether it listens
// and where, which encoder is in use, the requests answered, the last request, the
// connections refused, and whether the log and the journal can be written. Texts are code
// page 936.
//
// Thread-safe. Connection threads and the stores report; the front end reads a snapshot. The
// change listener runs on the reporting thread, so a window posts to its own thread from it.
class ServiceStatus {
 public:
  // Where writes can fail unseen by the PMS, which is answered all the same.
  enum class Store { Log, Journal, AccessLog };

  struct LastRequest {
    DateTime Time;
    std::string Type;    // the request type, or empty when the request could not be read
    bool Answered;       // whether a response was sent
    std::string Result;  // its result code ("200", "500"), empty where it carries none
  };

  // The connections of one host refused at accept for one reason since start.
  struct RefusedHosts {
    uint32_t Host;
    ConnectionRefusal Why;
    uint64_t Count;
  };
  // Hosts and reasons counted one by one; a flood from more addresses costs no more memory.
  static constexpr size_t kRefusedHostsKept = 32;

  struct Snapshot {
    uint64_t Version = 0;  // counts the changes, so a front end knows when to show anew
    bool Listening = false;
    std::string ListenAddress;  // empty: every local address
    int Port = 0;
    // While any host on the network may connect: what it can then do; empty while the
    // allowed hosts keep others out.
    std::string OpenToAnyHost;
    // The allowed hosts' entry that lets every host in ("any", "0.0.0.0/0"); empty when
    // none are set.
    std::string OpenThrough;
    // The record store's server while it may be on another machine and its certificate is not
    // verified; empty otherwise.
    std::string UnverifiedStoreServer;
    std::string NotListeningReason;  // why the listener is not running, when it failed
    std::string Encoder;             // the card library in use, for the operator
    std::string EncoderLibrary;      // its description, for the about box
    bool SimulatedEncoder = false;
    // Card writes and reads in a row that the encoder did not carry out; zero after one that
    // it did.
    int EncoderFailuresInARow = 0;
    // Set while a call of the encoder's has not come back within its limit: why requests now
    // fail at once ("发卡器 30 秒没有响应").
    // What the encoder is doing for whom while a card call runs, and since when; empty while
    // it is idle. A front end polls it (no Version change), to show the elapsed seconds.
    std::string EncoderBusy;
    std::chrono::steady_clock::time_point EncoderBusySince;
    std::optional<std::string> EncoderStuck;
    std::optional<std::chrono::steady_clock::time_point> EncoderStuckSince;  // when the call began
    uint64_t Answered = 0;
    std::optional<LastRequest> Last;
    std::optional<std::string> LogFailure;        // set while the log cannot be written
    std::optional<std::string> JournalFailure;    // set while the journal cannot be written
    std::optional<std::string> AccessLogFailure;  // set while the access log cannot be written
    // Set once the log file holds its day's budget: request texts are left out of it.
    std::optional<std::string> LogOverBudget;
    // Connections refused at accept since start, by host and reason in the order first seen,
    // and those beyond kRefusedHostsKept hosts and reasons.
    std::vector<RefusedHosts> Refused;
    uint64_t RefusedElsewhere = 0;
  };

  // What changed; one call per change.
  enum class Change { Listener, Request, StoreFailed, StoreRecovered, Encoder, Refused };
  using Listener = std::function<void(Change change, const Snapshot& snapshot)>;

  // Called for every later change of the listener or the stores (not for each request:
  // a front end reads those with Get). Set once, before the service starts.
  void SetListener(Listener listener) EXCLUDES(mutex_);

  // library: the card library's whole description (its path, width, names and convention).
  void SetEncoder(std::string description, bool simulated, std::string library = {})
      EXCLUDES(mutex_);
  // A card write or read reached the encoder and succeeded or not.
  void EncoderCalled(bool succeeded) EXCLUDES(mutex_);
  // A call of the encoder's is stuck, and the call came back at last.
  void EncoderStuck(std::string reason, std::chrono::steady_clock::time_point since)
      EXCLUDES(mutex_);
  void EncoderAnswersAgain() EXCLUDES(mutex_);
  // A card call began (what, code page 936: "正在写卡：房间 020402 张三，请勿移开卡片"), and it
  // ended.
  void EncoderBusy(std::string what) EXCLUDES(mutex_);
  void EncoderIdle() EXCLUDES(mutex_);
  // How the listener is reached: the address it listens on (empty: every local address) and,
  // while every host may connect, what any host can then do and through which entry of the
  // allowed hosts (see Snapshot::OpenToAnyHost and OpenThrough).
  void SetReach(std::string listenAddress, std::string openToAnyHost, std::string openThrough = {})
      EXCLUDES(mutex_);
  // The record store's server, connected to without verifying its certificate.
  void SetUnverifiedStoreServer(std::string server) EXCLUDES(mutex_);
  void Listened(int port) EXCLUDES(mutex_);
  void NotListening(int port, std::string reason) EXCLUDES(mutex_);
  void Stopped() EXCLUDES(mutex_);

  // The listener refused a connection as soon as it was accepted. The change listener hears
  // of a host's first refusal for each reason only: a flood must not flood the window too.
  void ConnectionRefused(uint32_t host, ConnectionRefusal why) EXCLUDES(mutex_);

  // A request ended, answered or not.
  void RequestEnded(DateTime time, std::string type, bool answered, std::string result)
      EXCLUDES(mutex_);

  // A write to the store failed; the first failure starts an episode that lasts until a
  // write succeeds again.
  void WriteFailed(Store store, std::string reason) EXCLUDES(mutex_);
  void WriteSucceeded(Store store) EXCLUDES(mutex_);
  // The log file holds its day's budget; what the log said of it.
  void LogOverBudget(std::string warning) EXCLUDES(mutex_);

  Snapshot Get() const EXCLUDES(mutex_);

  // The newest operations, one line each in the main window.
  OperationList& Operations() { return operations_; }
  const OperationList& Operations() const { return operations_; }

 private:
  void Notify(Change change) EXCLUDES(mutex_);
  std::optional<std::string>& Failure(Store store) REQUIRES(mutex_);

  OperationList operations_;
  mutable Mutex mutex_;
  Snapshot snapshot_ GUARDED_BY(mutex_);
  Listener listener_ GUARDED_BY(mutex_);
};

}  // namespace keydesk
