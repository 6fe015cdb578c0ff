// A kind is its folder, one registry line and its panel's layout in each front end: every
// file outside a kind's folder that names its folder, its entry or its panel is among those
// docs/HACKING.md lists for a fifth kind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace keydesk {
namespace {

namespace fs = std::filesystem;
const fs::path kSource = KEYDESK_SOURCE_DIR;

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The files that the list under "A fifth kind touches these files" names.
std::set<std::string> ListedFiles() {
  std::istringstream guide(Read(kSource / "docs/HACKING.md"));
  std::set<std::string> files;
  bool inList = false;
  for (std::string line; std::getline(guide, line);) {
    if (line.starts_with("A fifth kind touches these files")) {
      inList = true;
    } else if (inList && line.starts_with("- `")) {
      files.insert(line.substr(3, line.find('`', 3) - 3));
    } else if (inList && !line.empty() && !line.starts_with("  ")) {
      if (!files.empty()) break;
    }
  }
  return files;
}

struct KindNames {
  const char* Folder;  // under src/kinds/
  const char* Entry;   // its registry entry's function
  const char* Panel;   // its test panel's name, or ""
};

TEST(KindFootprint, EveryKindIsNamedOutsideItsFolderOnlyWhereTheGuideSays) {
  const std::set<std::string> listed = ListedFiles();
  ASSERT_FALSE(listed.empty()) << "docs/HACKING.md lists no files for a fifth kind";
  EXPECT_LE(listed.size(), 4u);
  for (const std::string& file : listed) EXPECT_TRUE(fs::exists(kSource / file)) << file;

  const KindNames kinds[] = {{"hand", "HandKindEntry", "THandTestForm"},
                             {"member", "MemberKindEntry", "TMemberTestForm"},
                             {"police", "PoliceKindEntry", ""}};
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kSource / "src")) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), kSource).generic_string();
    const std::string text = Read(entry.path());
    for (const KindNames& kind : kinds) {
      if (relative.starts_with(std::string("src/kinds/") + kind.Folder + "/")) continue;
      const bool names =
          text.find(std::string("kinds/") + kind.Folder + "/") != std::string::npos ||
          text.find(kind.Entry) != std::string::npos ||
          (*kind.Panel != '\0' && text.find(kind.Panel) != std::string::npos);
      if (names) EXPECT_TRUE(listed.contains(relative)) << relative << " names " << kind.Folder;
    }
  }
}

}  // namespace
}  // namespace keydesk
