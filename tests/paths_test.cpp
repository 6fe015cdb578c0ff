#include "platform/paths.h"

#include <gtest/gtest.h>

#include "platform/dynamic_library.h"

namespace keydesk {
namespace {

#if defined(_WIN32)
TEST(PathsTest, FileNameInPathTakesWhatFollowsTheLastSeparator) {
  EXPECT_EQ(FileNameInPath("C:\\keydesk\\drevan.dll"), "drevan.dll");
  EXPECT_EQ(FileNameInPath("Z:/opt/keydesk/drevan.dll"), "drevan.dll");
  EXPECT_EQ(FileNameInPath("C:drevan.dll"), "drevan.dll");
  EXPECT_EQ(FileNameInPath("drevan.dll"), "drevan.dll");
}

TEST(PathsTest, FileNameInPathKeepsACharacterWhoseSecondByteIsABackslash) {
  // "乗" is 81 5C in code page 936.
  EXPECT_EQ(FileNameInPath("C:\\keydesk\\\x81\x5C.dll"), "\x81\x5C.dll");
  EXPECT_EQ(FileNameInPath("C:\\\x81\x5C\\drevan.dll"), "drevan.dll");
}

TEST(PathsTest, LibrariesAreDlls) { EXPECT_EQ(DynamicLibrary::FileName("drevan"), "drevan.dll"); }
#else
TEST(PathsTest, FileNameInPathTakesWhatFollowsTheLastSlash) {
  EXPECT_EQ(FileNameInPath("/opt/keydesk/libdrevan.so"), "libdrevan.so");
  EXPECT_EQ(FileNameInPath("libdrevan.so"), "libdrevan.so");
}

TEST(PathsTest, LibrariesAreSharedObjects) {
  EXPECT_EQ(DynamicLibrary::FileName("drevan"), "libdrevan.so");
}
#endif

}  // namespace
}  // namespace keydesk
