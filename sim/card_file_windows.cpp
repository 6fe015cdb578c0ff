#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>

#include "card_file.h"
#include "card_text.h"
#include "result_codes.h"
#include "windows_files.h"

namespace keydesk::sim {
namespace {

bool ReadAll(HANDLE file, std::string& text) {
  text.clear();
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    text.append(buffer, got);
  }
}

UniqueHandle OpenForReading(const std::string& path) {
  return UniqueHandle(CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Writers of the card take turns on its lock file, "<path>.lock", and readers of this library
// hold it shared while they have the card open: Windows refuses to rename a file over one
// that is open, so a writer waits for them rather than fail.
std::string LockPath(const std::string& path) { return std::string(path).append(".lock"); }

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// What tells one version of the card file from another: a writer always renames a new file
// into place (a new file index), and a hand edit changes the size or the time of writing.
struct Identity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  DWORD sizeHigh = 0;
  DWORD sizeLow = 0;
  FILETIME written{};

  static Identity Of(const BY_HANDLE_FILE_INFORMATION& info) {
    return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow,
                    info.nFileSizeHigh,        info.nFileSizeLow,   info.ftLastWriteTime};
  }
  bool operator==(const Identity& other) const {
    return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow &&
           sizeHigh == other.sizeHigh && sizeLow == other.sizeLow &&
           written.dwLowDateTime == other.written.dwLowDateTime &&
           written.dwHighDateTime == other.written.dwHighDateTime;
  }
};

// The last card read. A card read takes three library calls, and each would otherwise read
// and parse the file again. Whether the file is still the one read is told by its identity,
// taken from the open file itself, so the card read is always that of the identity. (Windows
// watches folders, not files: a watch would report every log line written beside the card.)
class CardCache {
 public:
  // kOk with the card at path, or kNoCard or kDamagedCard.
  static int Get(const std::string& path, std::shared_ptr<const ParsedCard>& card) {
    std::lock_guard lock(mutex_);
    if (path != path_) {
      path_ = path;
      card_.reset();
    }
    // Shared with other readers; a writer waits, as it cannot rename over the open card.
    const UniqueHandle lockFile(CreateFileW(WidePath(LockPath(path)).c_str(), GENERIC_READ,
                                            kShareAll, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    std::optional<RangeLock> reading;
    if (lockFile.Valid()) reading.emplace(lockFile.Get(), false, 0, 0, 1);
    const UniqueHandle file = OpenForReading(path);
    if (!file.Valid()) return Forget(IsMissing(GetLastError()) ? kNoCard : kDamagedCard);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info)) return Forget(kDamagedCard);
    const Identity identity = Identity::Of(info);
    if (!card_ || !(identity == identity_)) {
      std::string text;
      if (!ReadAll(file.Get(), text)) return Forget(kDamagedCard);
      card_ = ParsedCard::FromText(text);
      identity_ = identity;
    }
    card = card_;
    return kOk;
  }

 private:
  static int Forget(int result) {
    card_.reset();
    return result;
  }

  static inline std::mutex mutex_;
  static inline std::string path_;                        // guarded by mutex_
  static inline std::shared_ptr<const ParsedCard> card_;  // guarded by mutex_
  static inline Identity identity_;                       // guarded by mutex_
};

// Another program that has the card open (an editor, a test reading it) holds off a rename
// over it for a moment; the rename is tried again.
bool HeldOffByAReader(DWORD error, const std::wstring& to) {
  if (error == ERROR_SHARING_VIOLATION) return true;
  // Refused for good: a folder or a read-only file in the way.
  const DWORD attributes = GetFileAttributesW(to.c_str());
  return error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

bool RenameOver(const std::wstring& from, const std::wstring& to) {
  constexpr int kAttempts = 100;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (attempt == kAttempts || !HeldOffByAReader(GetLastError(), to)) return false;
    Sleep(10);
  }
}

// Writes text to a temporary file beside path and renames it over path, so that the card
// is either the old one or the new one, also after a crash of the process. Not flushed: a
// simulated card need not survive a power cut, and flushing would slow every benchmark.
bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::wstring temporary = WidePath(path) + L".tmp";
  UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  const bool whole =
      WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size();
  if (!file.Close() || !whole || !RenameOver(temporary, WidePath(path))) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int CardFile::WriteBlock(std::string_view blockName, const CardBlock& block) const {
  // The temporary file is shared by all writers, which the lock keeps one at a time.
  const UniqueHandle lockFile(CreateFileW(WidePath(LockPath(path_)).c_str(),
                                          GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!lockFile.Valid()) return kWriteFailed;
  const RangeLock writing(lockFile.Get(), true, 0, 0, 1);
  if (!writing.Held()) return kWriteFailed;

  std::string text;
  {
    // Closed before the rename, which an open handle of this process could hold off.
    const UniqueHandle file = OpenForReading(path_);
    if (file.Valid() ? !ReadAll(file.Get(), text) : !IsMissing(GetLastError())) {
      return kWriteFailed;
    }
  }
  return ReplaceFile(path_, ReplaceBlock(text, blockName, block)) ? kOk : kWriteFailed;
}

int CardFile::ReadBlock(std::string_view blockName, std::shared_ptr<const CardBlock>& block) const {
  // No lock: a writer renames a complete file into place, so any open sees a whole card.
  std::shared_ptr<const ParsedCard> card;
  if (const int result = CardCache::Get(path_, card); result != kOk) return result;
  return FindBlock(card, blockName, block);
}

}  // namespace keydesk::sim
