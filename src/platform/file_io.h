#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {

// Whole-file reads and replacements of the small text files that the platform layer keeps
// (Option.ini, the simulated devices' field files), one implementation per platform
// (file_io_posix.cpp, file_io_windows.cpp). Paths are the file system's narrow text (see
// paths.h). Thread-safe: nothing is shared between calls.

// The file's bytes; none when it does not exist or cannot be read (a folder cannot).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Rewrites one file: what is there is read first, and the new content then takes the file's
// place in one step, so that a reader sees the old or the new content in full, also after a
// crash. On POSIX a symbolic link is followed, a file that existed keeps its permissions and
// owner, and a new one is private to its owner, as it may hold a password; on Windows the
// folder's inherited access applies.
class FileRewrite {
 public:
  explicit FileRewrite(const std::string& path);
  ~FileRewrite();
  FileRewrite(const FileRewrite&) = delete;
  FileRewrite& operator=(const FileRewrite&) = delete;

  // The present content, empty when there is no file yet; none when a file is there but
  // cannot be read (or is no plain file): replacing it would lose what it holds.
  const std::optional<std::string>& Existing() const { return existing_; }

  // Puts content in the file's place. False when that fails; the old file is then as it was
  // and no temporary file is left.
  bool Commit(std::string_view content);

 private:
  struct Native;
  std::string target_;
  std::optional<std::string> existing_;
  std::unique_ptr<Native> native_;
};

// Replaces the file at path with one holding content, in one step and readable by other
// users where the umask lets them. False on failure, with no temporary file left.
bool ReplaceWholeFile(const std::string& path, std::string_view content);

// Appends bytes with one write, creating the file when missing. False when not every byte
// could be written.
bool AppendWholeBytes(const std::string& path, std::string_view bytes);

// False when the file did not exist or cannot be removed.
bool RemoveFile(const std::string& path);

// The size in bytes of a plain file; none when there is none at path or it cannot be asked.
std::optional<uint64_t> FileSize(const std::string& path);

// A plain file of a folder: its name (without the folder) and when it was last written.
struct FolderFile {
  std::string Name;
  std::chrono::system_clock::time_point Modified;
};

// The plain files of a folder, in no particular order; none when the folder cannot be read. On
// Windows a name that code page 936 cannot hold is left out, as no path inside the system could
// name it.
std::vector<FolderFile> FilesInFolder(const std::string& folder);

}  // namespace keydesk
