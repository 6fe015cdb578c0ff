#include "card_text.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "result_codes.h"

namespace keydesk::sim {
namespace {

constexpr std::string_view kHeader =
    "# Simulated guest card: one Block.Field=value line per field; a field passed as a null "
    "pointer is its name alone.\n";

// The file keeps blocks in this order whatever order they were written in; blocks with
// other names (a hand-edited card) follow them.
constexpr std::string_view kBlockOrder[] = {"GuestCard", "Lift", "PowerSwitch"};

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

}  // namespace

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

std::string ReplaceBlock(std::string_view text, std::string_view blockName,
                         const CardBlock& block) {
  // Like a real encoder writing one sector, a write leaves the rest of the card as it is.
  int malformed = 0;
  std::vector<CardLine> lines = ParseCard(text, &malformed);
  std::erase_if(lines, [&](const CardLine& line) { return line.block == blockName; });
  for (const CardField& field : block.fields) {
    lines.push_back(CardLine{std::string(blockName), field});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const CardLine& a, const CardLine& b) {
    return BlockRank(a.block) < BlockRank(b.block);
  });
  return FormatCard(lines);
}

std::shared_ptr<const ParsedCard> ParsedCard::FromText(std::string_view text) {
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

const CardBlock* ParsedCard::Find(std::string_view name) const {
  for (const auto& [blockName, block] : blocks) {
    if (blockName == name) return &block;
  }
  return nullptr;
}

int FindBlock(const std::shared_ptr<const ParsedCard>& card, std::string_view blockName,
              std::shared_ptr<const CardBlock>& block) {
  if (card->malformed != 0) return kDamagedCard;
  const CardBlock* found = card->Find(blockName);
  if (found == nullptr) return kNoBlock;
  // Shares the cached card: the caller's block stays valid whatever is read next.
  block = std::shared_ptr<const CardBlock>(card, found);
  return kOk;
}

void CardBlock::Add(std::string name, std::optional<std::string> value) {
  fields.push_back(CardField{std::move(name), std::move(value)});
}

const CardField* CardBlock::Find(std::string_view name) const {
  for (const CardField& field : fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

}  // namespace keydesk::sim
