#include "platform/field_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

TEST(FieldFileTest, WritesOneLinePerFieldInOrderAndReadsThemBack) {
  test::TempDir dir;
  FieldFile file(dir.File("card.txt"));
  FieldRecord record;
  record.Set("CardNo", "1001");
  record.Set("Name", " two  blanks ");
  record.Set("CardNo", "1002");  // replaced in place
  ASSERT_TRUE(file.Write(record));
  EXPECT_EQ(test::ReadFileBytes(file.Path()), "CardNo=1002\r\nName= two  blanks \r\n");
  const auto read = file.Read();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->Fields(), record.Fields());
  EXPECT_EQ(read->Get("Name"), " two  blanks ");
  EXPECT_EQ(read->Find("Missing"), nullptr);
  EXPECT_EQ(read->Get("Missing"), "");
}

TEST(FieldFileTest, LineBreaksAndBackslashesInValuesSurviveTheRoundTrip) {
  test::TempDir dir;
  FieldFile file(dir.File("card.txt"));
  FieldRecord record;
  record.Set("Text", "a\r\nb\\n=c\\");
  ASSERT_TRUE(file.Write(record));
  EXPECT_EQ(test::ReadFileBytes(file.Path()), "Text=a\\r\\nb\\\\n=c\\\\\r\n");
  EXPECT_EQ(file.Read()->Get("Text"), "a\r\nb\\n=c\\");
}

TEST(FieldFileTest, AHandWrittenFileIsReadWithCommentsAndStrayLinesSkipped) {
  test::TempDir dir;
  FieldFile file(dir.File("card.txt"));
  ASSERT_TRUE(AppendToFile(file.Path(), "# a note\nstray\nHandNo=7\\q\\\nEmpty=\n"));
  const auto read = file.Read();
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->Fields().size(), 2u);
  EXPECT_EQ(read->Get("HandNo"), "7\\q\\");
  EXPECT_NE(read->Find("Empty"), nullptr);
}

TEST(FieldFileTest, AMissingOrUnreadableFileHasNoRecordAndAFailedWriteSaysSo) {
  test::TempDir dir;
  FieldFile missing(dir.File("none.txt"));
  EXPECT_FALSE(missing.Read().has_value());
  EXPECT_FALSE(missing.Remove());
  std::filesystem::create_directory(dir.File("folder"));
  FieldFile folder(dir.File("folder"));
  EXPECT_FALSE(folder.Read().has_value());
  EXPECT_FALSE(folder.Write(FieldRecord()));
  // No temporary file is left behind by the failed write.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(AppendToFile(dir.File("folder"), "x"));
}

TEST(FieldFileTest, RemoveDeletesTheFile) {
  test::TempDir dir;
  FieldFile file(dir.File("card.txt"));
  ASSERT_TRUE(file.Write(FieldRecord()));
  EXPECT_TRUE(file.Remove());
  EXPECT_FALSE(file.Read().has_value());
}

}  // namespace
}  // namespace keydesk
