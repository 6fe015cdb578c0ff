// The text of the simulated card, apart from the file that holds it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "card_file.h"

namespace keydesk::sim {

// One field line of the card file.
struct CardLine {
  std::string block;
  CardField field;
};

// The fields of text; malformed lines are left out and counted in *malformed.
std::vector<CardLine> ParseCard(std::string_view text, int* malformed);

// The card file's text for the lines, with its header comment.
std::string FormatCard(const std::vector<CardLine>& lines);

// The text of a card after block replaced the block called blockName in text, keeping the
// others. Lines that cannot be understood are dropped rather than make the card unwritable.
std::string ReplaceBlock(std::string_view text, std::string_view blockName, const CardBlock& block);

// A card as read: its blocks in file order, and how many lines could not be understood.
struct ParsedCard {
  std::vector<std::pair<std::string, CardBlock>> blocks;
  int malformed = 0;

  static std::shared_ptr<const ParsedCard> FromText(std::string_view text);

  const CardBlock* Find(std::string_view name) const;
};

// kOk with the block called blockName of card, sharing the card so that the block stays valid
// whatever is read next; kDamagedCard or kNoBlock otherwise.
int FindBlock(const std::shared_ptr<const ParsedCard>& card, std::string_view blockName,
              std::shared_ptr<const CardBlock>& block);

}  // namespace keydesk::sim
