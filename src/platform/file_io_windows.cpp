#include <windows.h>

#include <atomic>

#include "platform/append_windows.h"
#include "platform/file_io.h"
#include "platform/unique_handle_windows.h"
#include "platform/wide_text_windows.h"

namespace keydesk {
namespace {

// Others may read, write, rename and delete the file while it is open here, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

UniqueHandle OpenForReading(const std::string& path) {
  return UniqueHandle(CreateFileW(WideFromAnsi(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadAll(HANDLE file, std::string& content) {
  char buffer[4096];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &count, nullptr)) return false;
    if (count == 0) return true;
    content.append(buffer, count);
  }
}

bool WriteAll(HANDLE file, std::string_view content) {
  while (!content.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(content.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, content.data(), piece, &written, nullptr) || written == 0) return false;
    content.remove_prefix(written);
  }
  return true;
}

// A new file beside path that no one else has, for content that is then renamed over path.
// Null when none can be made.
UniqueHandle CreateTemporary(const std::string& path, std::wstring& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = WideFromAnsi(path) + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter.fetch_add(1)) + L".tmp";
    UniqueHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid() || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return UniqueHandle();
}

// A reader that has the file open (another program, or a thread of this one) holds off a
// rename over it for a moment; the rename is tried again rather than fail the write.
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
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    if (attempt == kAttempts || !HeldOffByAReader(GetLastError(), to)) return false;
    Sleep(10);
  }
}

// Writes content to a new file beside path and renames it over path in one step, so that
// path always holds either the old or the new content in full. The data reaches the disk
// before the rename, and the rename before the call returns.
bool Replace(const std::string& path, std::string_view content) {
  // Windows refuses to rename over a read-only file (Wine would replace it all the same).
  const DWORD attributes = GetFileAttributesW(WideFromAnsi(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  std::wstring temporary;
  UniqueHandle file = CreateTemporary(path, temporary);
  if (!file.Valid()) return false;
  bool ok = WriteAll(file.Get(), content) && FlushFileBuffers(file.Get());
  ok = file.Close() && ok;
  ok = ok && RenameOver(temporary, WideFromAnsi(path));
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const UniqueHandle file = OpenForReading(path);
  if (!file.Valid()) return std::nullopt;
  std::string content;
  if (!ReadAll(file.Get(), content)) return std::nullopt;
  return content;
}

// Permissions live in the folder's inherited access list on Windows; nothing to carry over.
struct FileRewrite::Native {};

FileRewrite::FileRewrite(const std::string& path) : target_(path) {
  const UniqueHandle file = OpenForReading(target_);
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) existing_.emplace();
    return;
  }
  std::string content;
  if (GetFileType(file.Get()) == FILE_TYPE_DISK && ReadAll(file.Get(), content)) {
    existing_ = std::move(content);
  }
}

FileRewrite::~FileRewrite() = default;

bool FileRewrite::Commit(std::string_view content) { return Replace(target_, content); }

bool ReplaceWholeFile(const std::string& path, std::string_view content) {
  return Replace(path, content);
}

bool AppendWholeBytes(const std::string& path, std::string_view bytes) {
  UniqueHandle file(CreateFileW(WideFromAnsi(path).c_str(), FILE_APPEND_DATA, kShareAll, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  const bool ok = AppendWhole(file.Get(), bytes);
  return file.Close() && ok;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideFromAnsi(path).c_str()) != 0; }

std::optional<uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExW(WideFromAnsi(path).c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::vector<FolderFile> FilesInFolder(const std::string& folder) {
  // FILETIME counts 100 ns from 1601-01-01; the system clock, from 1970-01-01.
  constexpr int64_t kFrom1601To1970 = 116'444'736'000'000'000;
  std::vector<FolderFile> files;
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = WideFromAnsi(folder) + L"\\*";
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
    auto name = ExactAnsiFromWide(found.cFileName);
    if (!name) continue;
    const int64_t ticks =
        (int64_t{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime;
    const auto since = std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::nanoseconds((ticks - kFrom1601To1970) * 100));
    files.push_back({std::move(*name), std::chrono::system_clock::time_point(since)});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

}  // namespace keydesk
