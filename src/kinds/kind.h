#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "core/interface_kind.h"
#include "kinds/card_reader.h"
#include "kinds/device_options.h"
#include "kinds/test_panel.h"
#include "wire/message_handler.h"

namespace keydesk {

// The interface kind of the process, fixed at start-up: its listener settings and texts, its
// request handler, and what the window's Options and Test commands do. Owns the kind's
// device, if one is installed.
//
// CreateHandler and KeepConnection are used on connection threads; the rest on the main
// thread.
class Kind {
 public:
  virtual ~Kind() = default;
  Kind(const Kind&) = delete;
  Kind& operator=(const Kind&) = delete;

  const InterfaceKindInfo& Info() const { return info_; }

  // A new handler for one request.
  virtual std::unique_ptr<TMessageHandler> CreateHandler() = 0;
  // The flag that keeps a connection open after a request; null for a kind that never keeps
  // one.
  virtual const std::atomic<bool>* KeepConnection() const { return nullptr; }

  // What the Options command shows after the administrator password: the options of the
  // kind's device; for a simulated device, which has none, a word that there is nothing to
  // set (NothingToSet); neither without a device.
  virtual std::unique_ptr<DeviceOptions> MakeOptions() { return nullptr; }
  virtual bool NothingToSet() const { return false; }
  // The card on the kind's encoder, as the journal's room view reads it; empty for a kind
  // without an encoder.
  virtual CardReader EncoderReader() { return {}; }
  // The Test command's dialog, as data; null when the kind has none or no device.
  virtual std::unique_ptr<TestPanel> MakeTestPanel() { return nullptr; }
  // The Test command's text for a kind whose test shows a text instead (code page 936).
  virtual std::optional<std::string> TestText() { return std::nullopt; }

  // Start-up opens the installed device before the window shows, and closes it once the
  // listener has stopped; results are not looked at.
  virtual void OpenDevice() {}
  virtual void CloseDevice() {}

 protected:
  explicit Kind(const InterfaceKindInfo& info) : info_(info) {}

 private:
  const InterfaceKindInfo& info_;
};

}  // namespace keydesk
