#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace keydesk {

// A file opened for appending. Not thread-safe: one owner at a time.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // Appends the pieces with one write, so that they stay whole whoever else appends to the
  // file; false when not every byte could be written.
  virtual bool Append(std::span<const std::string_view> pieces) = 0;
};

// The file writes of the log, behind one interface: each platform supplies its own, and a
// test gives a failing one where the real file system cannot be made to fail (permission
// bits do not stop root).
//
// Thread-safe: implementations hold no state between calls.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The file opened for appending, created when missing; null when it cannot be opened.
  virtual std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) const = 0;
};

// The machine's own file system.
const FileSystem& RealFileSystem();

}  // namespace keydesk
