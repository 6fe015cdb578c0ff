#pragma once

// The request and response examples of a markdown guide: fenced blocks whose info string
// names their role, e.g. "xml request id=door-read kind=door" and "xml response
// id=door-read". A literal \0 at a block's end stands for the NUL byte that ends a frame.

#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace keydesk::test {

struct GuideBlock {
  int Line = 0;  // of the opening fence, for messages
  std::string Role;
  std::map<std::string, std::string> Attributes;  // "id=x" words
  std::set<std::string> Flags;                    // words without "="
  std::string Text;                               // the lines between the fences

  std::string Attribute(const std::string& name) const {
    const auto found = Attributes.find(name);
    return found != Attributes.end() ? found->second : std::string();
  }
};

struct GuideExample {
  std::string Id;
  GuideBlock Request;
  GuideBlock Response;
  std::optional<GuideBlock> ResponseBytes;
};

inline const std::set<std::string>& GuideRoles() {
  static const std::set<std::string> roles = {"request", "response", "response-bytes"};
  return roles;
}

// Every fenced block with a role, in document order. The role is the info string's second
// word; the first names the language for rendering.
inline std::vector<GuideBlock> ReadGuideBlocks(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read " + path);
  std::vector<GuideBlock> blocks;
  std::optional<GuideBlock> open;
  std::vector<std::string> lines;
  int number = 0;
  for (std::string line; std::getline(file, line);) {
    ++number;
    if (!line.starts_with("```")) {
      if (open) lines.push_back(line);
      continue;
    }
    if (open) {
      for (size_t i = 0; i < lines.size(); ++i) open->Text += (i > 0 ? "\n" : "") + lines[i];
      if (GuideRoles().count(open->Role) != 0) blocks.push_back(*open);
      open.reset();
      continue;
    }
    open.emplace();
    lines.clear();
    open->Line = number;
    std::istringstream words(line.substr(3));
    std::string language;
    words >> language >> open->Role;
    for (std::string word; words >> word;) {
      const size_t equals = word.find('=');
      if (equals == std::string::npos) {
        open->Flags.insert(word);
      } else {
        open->Attributes[word.substr(0, equals)] = word.substr(equals + 1);
      }
    }
  }
  if (open)
    throw std::runtime_error(path + ": a fence opened at line " + std::to_string(open->Line) +
                             " is not closed");
  return blocks;
}

// The examples in the order of their requests; every request has exactly one response.
inline std::vector<GuideExample> PairGuideExamples(const std::vector<GuideBlock>& blocks) {
  std::vector<GuideExample> examples;
  std::map<std::string, size_t> byId;
  for (const GuideBlock& block : blocks) {
    const std::string id = block.Attribute("id");
    const std::string where = "the block at line " + std::to_string(block.Line);
    if (id.empty()) throw std::runtime_error(where + " has no id");
    if (block.Role == "request") {
      if (!byId.emplace(id, examples.size()).second) {
        throw std::runtime_error(where + " repeats the id " + id);
      }
      examples.push_back({id, block, {}, std::nullopt});
      continue;
    }
    const auto found = byId.find(id);
    if (found == byId.end()) throw std::runtime_error(where + " has no request before it");
    GuideExample& example = examples[found->second];
    if (block.Role == "response") {
      if (!example.Response.Role.empty()) throw std::runtime_error(where + ": a second response");
      example.Response = block;
    } else {
      example.ResponseBytes = block;
    }
  }
  for (const GuideExample& example : examples) {
    if (example.Response.Role.empty()) {
      throw std::runtime_error("the example " + example.Id + " has no response");
    }
  }
  return examples;
}

// A block's frame: its text with the closing \0 made the NUL byte. A block without that
// ending, or with a \0 elsewhere, is an error in the guide.
inline std::string GuideFrame(const GuideBlock& block) {
  const std::string nul = "\\0";
  const size_t first = block.Text.find(nul);
  if (!block.Text.ends_with(nul) || first != block.Text.size() - nul.size()) {
    throw std::runtime_error("the block at line " + std::to_string(block.Line) +
                             " must end in \\0 and hold no other");
  }
  return block.Text.substr(0, first) + std::string(1, '\0');
}

// Bytes as `xxd -g 1` shows them: offset, sixteen bytes in hexadecimal, the printable ones.
inline std::string HexDump(const std::string& bytes) {
  std::string dump;
  char piece[32];
  for (size_t offset = 0; offset < bytes.size(); offset += 16) {
    std::snprintf(piece, sizeof piece, "%08zx:", offset);
    dump += piece;
    std::string printable;
    for (size_t i = offset; i < offset + 16; ++i) {
      if (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        std::snprintf(piece, sizeof piece, " %02x", byte);
        dump += piece;
        printable += byte >= 0x20 && byte < 0x7f ? static_cast<char>(byte) : '.';
      } else {
        dump += "   ";
      }
    }
    dump += "  " + printable + "\n";
  }
  if (!dump.empty()) dump.pop_back();
  return dump;
}

}  // namespace keydesk::test
