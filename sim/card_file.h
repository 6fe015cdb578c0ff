// The card lying on the simulated encoder, kept in a text file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk::sim {

// One stored field. No value means the field was passed as a null pointer.
struct CardField {
  std::string name;
  std::optional<std::string> value;
};

// The fields of one block, in the order they were written.
struct CardBlock {
  std::vector<CardField> fields;

  void Add(std::string name, std::optional<std::string> value);
  // Nullptr when the block has no such field.
  const CardField* Find(std::string_view name) const;
};

// The card file: one "Block.Field=value" line per field, blocks in the order GuestCard,
// Lift, PowerSwitch, and a field passed as a null pointer as the line "Block.Field" with no
// "=". In values a backslash, a line feed and a carriage return are written as \\, \n and
// \r; every other byte is stored as given. Lines starting with "#" are comments.
//
// Thread-safe and safe across processes: readers never see half a card because a writer
// replaces the file by rename(), and writers serialise on flock() of "<path>.lock". Each
// call opens its own descriptor, so flock() also keeps threads of one process apart.
class CardFile {
 public:
  explicit CardFile(std::string path) : path_(std::move(path)) {}

  // Replaces the block called blockName and keeps the others. kOk or kWriteFailed.
  int WriteBlock(std::string_view blockName, const CardBlock& block) const;

  // kOk with the block's fields, or kNoCard, kNoBlock or kDamagedCard.
  int ReadBlock(std::string_view blockName, std::shared_ptr<const CardBlock>& block) const;

 private:
  std::string path_;
};

}  // namespace keydesk::sim
