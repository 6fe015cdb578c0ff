#include "card_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

#include "file_watch.h"
#include "result_codes.h"
#include "unique_fd.h"

namespace keydesk::sim {
namespace {

constexpr std::string_view kHeader =
    "# Simulated guest card: one Block.Field=value line per field; a field passed as a null "
    "pointer is its name alone.\n";

// The file keeps blocks in this order whatever order they were written in; blocks with
// other names (a hand-edited card) follow them.
constexpr std::string_view kBlockOrder[] = {"GuestCard", "Lift", "PowerSwitch"};

struct CardLine {
  std::string block;
  CardField field;
};

size_t BlockRank(std::string_view block) {
  const auto found = std::find(std::begin(kBlockOrder), std::end(kBlockOrder), block);
  return static_cast<size_t>(found - std::begin(kBlockOrder));
}

void AppendEscaped(std::string& out, std::string_view value) {
  for (const char c : value) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string value;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      value += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        value += '\\';
        break;
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return value;
}

// Nullopt for a line that is neither a field nor a comment.
std::optional<CardLine> ParseLine(std::string_view line) {
  const size_t equals = line.find('=');
  const std::string_view key = line.substr(0, equals);
  const size_t dot = key.find('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == key.size()) return std::nullopt;
  CardLine parsed{std::string(key.substr(0, dot)), {std::string(key.substr(dot + 1)), {}}};
  if (equals != std::string_view::npos) {
    parsed.field.value = Unescape(line.substr(equals + 1));
    if (!parsed.field.value) return std::nullopt;
  }
  return parsed;
}

// The fields of text; malformed lines are left out and counted in *malformed.
std::vector<CardLine> ParseCard(std::string_view text, int* malformed) {
  std::vector<CardLine> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (std::optional<CardLine> parsed = ParseLine(line)) {
      lines.push_back(std::move(*parsed));
    } else {
      ++*malformed;
    }
  }
  return lines;
}

std::string FormatCard(const std::vector<CardLine>& lines) {
  std::string text(kHeader);
  for (const CardLine& line : lines) {
    text += line.block;
    text += '.';
    text += line.field.name;
    if (line.field.value) {
      text += '=';
      AppendEscaped(text, *line.field.value);
    }
    text += '\n';
  }
  return text;
}

// Reads the whole file into text; 0 or the errno of the failure.
int ReadAll(int fd, std::string& text) {
  text.clear();
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    text.append(buffer, static_cast<size_t>(got));
  }
}

int ReadWholeFile(const std::string& path, std::string& text) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  return ReadAll(fd.Get(), text);
}

// A card as read: its blocks in file order, and how many lines could not be understood.
struct ParsedCard {
  std::vector<std::pair<std::string, CardBlock>> blocks;
  int malformed = 0;

  static std::shared_ptr<const ParsedCard> FromText(std::string_view text) {
    auto card = std::make_shared<ParsedCard>();
    for (CardLine& line : ParseCard(text, &card->malformed)) {
      auto found = std::find_if(card->blocks.begin(), card->blocks.end(),
                                [&](const auto& block) { return block.first == line.block; });
      if (found == card->blocks.end()) {
        found = card->blocks.insert(card->blocks.end(), {std::move(line.block), CardBlock{}});
      }
      found->second.fields.push_back(std::move(line.field));
    }
    return card;
  }

  const CardBlock* Find(std::string_view name) const {
    for (const auto& [blockName, block] : blocks) {
      if (blockName == name) return &block;
    }
    return nullptr;
  }
};

// The last card read. A card read takes three library calls, and each would otherwise open,
// read and parse the file again. Whether the file is still the one read is told by a watch
// on it, or, where a watch cannot be trusted, by the file's identity (device, inode, size
// and times): a writer always renames a new file into place, and a hand edit changes the
// size or a time.
class CardCache {
 public:
  // kOk with the card at path, or kNoCard or kDamagedCard.
  static int Get(const std::string& path, std::shared_ptr<const ParsedCard>& card) {
    std::lock_guard lock(mutex_);
    if (!watch_) watch_ = std::make_unique<FileWatch>();
    if (path != path_) {
      path_ = path;
      card_.reset();
    }
    // Read the watch's reports before looking at the file, so that a change made after the
    // look is among the next reports.
    const bool mayHaveChanged = watch_->MayHaveChanged();
    if (card_ && watchTrusted_ && !mayHaveChanged) {
      card = card_;
      return kOk;
    }

    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return Forget(errno == ENOENT ? kNoCard : kDamagedCard);
    // A symbolic link can be pointed elsewhere without the file it named changing.
    const bool link = S_ISLNK(status.st_mode);
    if (link && stat(path.c_str(), &status) != 0) {
      return Forget(errno == ENOENT ? kNoCard : kDamagedCard);
    }
    // Watched before it is read: a change from here on is reported.
    watchTrusted_ = watch_->Watch(path) && !link;
    if (!card_ || !SameFile(status, status_)) {
      UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
      if (!fd.Valid()) return Forget(errno == ENOENT ? kNoCard : kDamagedCard);
      std::string text;
      if (fstat(fd.Get(), &status) != 0 || ReadAll(fd.Get(), text) != 0) {
        return Forget(kDamagedCard);
      }
      card_ = ParsedCard::FromText(text);
      status_ = status;
    }
    card = card_;
    return kOk;
  }

 private:
  static int Forget(int result) {
    card_.reset();
    return result;
  }

  static bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
  }

  static inline std::mutex mutex_;
  static inline std::string path_;                        // guarded by mutex_
  static inline std::unique_ptr<FileWatch> watch_;        // guarded by mutex_
  static inline bool watchTrusted_ = false;               // guarded by mutex_
  static inline std::shared_ptr<const ParsedCard> card_;  // guarded by mutex_
  static inline struct stat status_ {};                   // guarded by mutex_
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// Writes text to a temporary file beside path and renames it over path, so that the card
// is either the old one or the new one, also after a crash of the process. No fsync(): a
// simulated card need not survive a power cut, and syncing would slow every benchmark.
bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::string temporary = std::string(path).append(".tmp");
  UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd.Valid()) return false;
  const bool written = WriteAll(fd.Get(), text);
  if (!fd.Close() || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

void CardBlock::Add(std::string name, std::optional<std::string> value) {
  fields.push_back(CardField{std::move(name), std::move(value)});
}

const CardField* CardBlock::Find(std::string_view name) const {
  for (const CardField& field : fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

int CardFile::WriteBlock(std::string_view blockName, const CardBlock& block) const {
  // The temporary file is shared by all writers, which the lock keeps one at a time.
  const std::string lockPath = std::string(path_).append(".lock");
  UniqueFd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!lock.Valid()) return kWriteFailed;
  while (flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return kWriteFailed;
  }

  // The lock is held until the descriptor closes on return.
  std::string text;
  if (const int error = ReadWholeFile(path_, text); error != 0 && error != ENOENT) {
    return kWriteFailed;
  }
  // Like a real encoder writing one sector, a write leaves the rest of the card as it is;
  // lines that cannot be understood are dropped rather than make the card unwritable.
  int malformed = 0;
  std::vector<CardLine> lines = ParseCard(text, &malformed);
  std::erase_if(lines, [&](const CardLine& line) { return line.block == blockName; });
  for (const CardField& field : block.fields) {
    lines.push_back(CardLine{std::string(blockName), field});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const CardLine& a, const CardLine& b) {
    return BlockRank(a.block) < BlockRank(b.block);
  });
  return ReplaceFile(path_, FormatCard(lines)) ? kOk : kWriteFailed;
}

int CardFile::ReadBlock(std::string_view blockName, std::shared_ptr<const CardBlock>& block) const {
  // No lock: a writer renames a complete file into place, so any open sees a whole card.
  std::shared_ptr<const ParsedCard> card;
  if (const int result = CardCache::Get(path_, card); result != kOk) return result;
  if (card->malformed != 0) return kDamagedCard;
  const CardBlock* found = card->Find(blockName);
  if (found == nullptr) return kNoBlock;
  // Shares the cached card: the caller's block stays valid whatever is read next.
  block = std::shared_ptr<const CardBlock>(card, found);
  return kOk;
}

}  // namespace keydesk::sim
