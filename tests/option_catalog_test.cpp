// Every key of Option.ini is described once, and each reader takes its key's default and rule
// from that description: a key added to a reader without it, or described twice, fails here.
#include "app/option_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "app/system_settings.h"
#include "core/network_option.h"
#include "core/sys_option.h"
#include "doorlock/option.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::ReadFileBytes;

// The keys of a profile file as written, in order, with their values.
std::vector<std::pair<std::string, std::string>> WrittenKeys(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::istringstream lines(ReadFileBytes(path));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t equals = line.find('=');
    if (equals != std::string::npos)
      keys.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return keys;
}

// A fresh object saved into an empty file writes exactly the described keys, in order, each
// with its described default.
void ExpectSavesItsDescription(const std::string& path, std::span<const OptionKey> described) {
  const auto written = WrittenKeys(path);
  ASSERT_EQ(written.size(), described.size());
  for (size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(written[i].first, described[i].Name);
    EXPECT_EQ(written[i].second, described[i].Default) << described[i].Name;
  }
}

TEST(OptionCatalog, DescribesEveryKeyOnce) {
  std::set<std::string> seen;
  for (const OptionKey* key : OptionCatalog()) {
    std::string name = std::string(key->Section) + "." + key->Name;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(seen.insert(name).second) << name << " is described twice";
    EXPECT_NE(*key->Help, '\0') << name;
    if (key->Place == OptionPlace::SystemSettings) {
      EXPECT_NE(*key->Caption, '\0') << name;
      EXPECT_NE(*key->Group, '\0') << name;
    }
    if (key->Ranged()) EXPECT_NE(*key->Rule, '\0') << name;
  }
}

TEST(OptionCatalog, TheOptionObjectsOpenWithAndSaveTheDescribedDefaults) {
  test::TempDir dir;
  TSysOption(dir.File("Sys.ini")).Save();
  ExpectSavesItsDescription(dir.File("Sys.ini"), SysOptionKeys());
  TOption(dir.File("Door.ini")).Save();
  ExpectSavesItsDescription(dir.File("Door.ini"), DoorlockOptionKeys());
}

TEST(OptionCatalog, TheNetworkReaderKnowsEveryKeyAndItsDefaultPasses) {
  for (const OptionKey& key : NetworkOption::Keys()) {
    EXPECT_TRUE(key.Strict()) << key.Name;
    EXPECT_NO_THROW(NetworkOption::CheckValue(key.Section, key.Name, key.Default)) << key.Name;
    // A reader that did not know the key would raise "No key"; one that did names it.
    try {
      NetworkOption::CheckValue(key.Section, key.Name, "!");
      ADD_FAILURE() << key.Name << " took \"!\"";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(key.Name), std::string::npos) << error.what();
    }
    if (key.Ranged()) {
      EXPECT_NO_THROW(NetworkOption::CheckValue(key.Section, key.Name, std::to_string(key.Max)));
      EXPECT_THROW(NetworkOption::CheckValue(key.Section, key.Name, std::to_string(key.Max + 1)),
                   Error)
          << key.Name;
    }
  }
  // The defaults of an object made without a file are those of a file without the keys.
  test::TempDir dir;
  const NetworkOption made;
  const NetworkOption loaded = NetworkOption::Load(dir.File("Option.ini"));
  EXPECT_EQ(made.RequestTimeout, std::chrono::seconds(60));
  EXPECT_EQ(made.FirstRequestTimeout, std::chrono::seconds(60));
  EXPECT_EQ(made.IdleTimeout, std::chrono::seconds(0));
  EXPECT_EQ(made.MaxConnections, 512);
  EXPECT_EQ(made.MaxConnectionsPerHost, 64);
  EXPECT_TRUE(made.AccessLog);
  EXPECT_EQ(made.EncoderTimeout, std::chrono::seconds(30));
  EXPECT_EQ(made.MaxDayMB, 256);
  EXPECT_EQ(made.KeepDays, 0);
  EXPECT_EQ(loaded.MaxConnections, made.MaxConnections);
  EXPECT_EQ(loaded.EncoderTimeout, made.EncoderTimeout);
}

TEST(OptionCatalog, SystemSettingsShowsEveryKeyPlacedThereGroupByGroup) {
  test::TempDir dir;
  const SystemSettings settings(dir.File("Option.ini"));
  std::vector<std::string> shown;
  size_t group = 0;
  const std::vector<std::string> groups = SettingGroups();
  for (const SettingField& field : settings.Fields()) {
    ASSERT_NE(field.Description, nullptr);
    // A connection string is shown as its parts, each with a caption of its own.
    if (field.Part.empty()) {
      EXPECT_EQ(field.Caption, field.Description->Caption);
      EXPECT_EQ(field.Help, field.Description->Help);
    }
    // Groups come in their order, never twice.
    while (group < groups.size() && groups[group] != field.Group) ++group;
    EXPECT_LT(group, groups.size()) << field.Key << " out of its group's place";
    shown.push_back(std::string(field.Section) + "." + field.Key);
  }
  std::vector<std::string> placed;
  for (const OptionKey* key : OptionCatalog()) {
    if (key->Place == OptionPlace::SystemSettings) {
      placed.push_back(std::string(key->Section) + "." + key->Name);
    }
  }
  std::sort(shown.begin(), shown.end());
  shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
  std::sort(placed.begin(), placed.end());
  EXPECT_EQ(shown, placed);
}

}  // namespace
}  // namespace keydesk
