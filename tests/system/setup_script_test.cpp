// scripts/setup when the package mirror is in mid-sync: the decisions of scripts/apt-skew on
// apt output recorded on such a machine (its i386 security index unfetchable, native libraries
// both older and newer than their i386 twins), and setup's course with stand-ins for apt and
// dpkg (tests/system/apt_stand_ins/) that answer from the same records. Nothing here uses the
// network or changes the machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace keydesk::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kSource = KEYDESK_SOURCE_DIR;
const std::string kRecords = kSource + "/tests/system/apt_records/mirror_in_mid_sync";
const std::string kFailedIndex =
    "http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/"
    "Packages.xz";

struct Outcome {
  int status = -1;
  std::string output;
};

// Runs a shell command line, its standard error with its output.
Outcome RunShell(const std::string& command) {
  Outcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The position of the first line that is exactly `line`, or the number of lines.
size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

// The package of an install of one package (the options end with the preferences), or "".
std::string Piece(const std::string& call) {
  const size_t last = call.rfind(' ');
  const size_t before = call.rfind(' ', last - 1);
  if (last == std::string::npos || before == std::string::npos) return "";
  if (!call.starts_with("apt-get install ") ||
      !call.substr(before + 1).starts_with("Dir::Etc::Preferences=")) {
    return "";
  }
  const std::string package = call.substr(last + 1);
  return package.substr(package.rfind('/') + 1);
}

size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.starts_with(prefix); });
}

TEST(AptSkew, NamesTheIndexTheMirrorDidNotGiveAndItsSuite) {
  const Outcome failed =
      RunShell(kSource + "/scripts/apt-skew failed-indexes < " + kRecords + "/update.txt");
  ASSERT_EQ(failed.status, 0) << failed.output;
  EXPECT_EQ(Lines(failed.output), std::vector<std::string>{kFailedIndex});

  const Outcome suites =
      RunShell("echo " + kFailedIndex + " | " + kSource + "/scripts/apt-skew pin-suites");
  EXPECT_EQ(Lines(suites.output), std::vector<std::string>{"bookworm-security"});
}

TEST(AptSkew, RaisesOlderTwinsFetchesNewerOnesAndOrdersDependenciesFirst) {
  const Outcome plan = RunShell(kSource + "/scripts/apt-skew plan " + kRecords + " wine32:i386");
  ASSERT_EQ(plan.status, 0) << plan.output;
  const std::vector<std::string> lines = Lines(plan.output);

  // The native library is older than the i386 candidate: raised to that version.
  EXPECT_THAT(lines, Contains("raise libssl3:amd64=3.0.20-1~deb12u2"));
  EXPECT_THAT(lines, Contains("raise libexpat1:amd64=2.5.0-1+deb12u2"));
  // Newer (from the security suite): its i386 twin is fetched at exactly that version.
  EXPECT_THAT(lines, Contains("fetch zlib1g:i386=1:1.2.13.dfsg-1+deb12u1"));
  // Same version on both: only installed.
  EXPECT_THAT(lines, Contains("install libc6:i386"));
  // Multi-Arch: foreign packages are met by the native ones: never raised nor installed for
  // i386 (dpkg:i386 would replace the machine's dpkg), and an alternative met by an installed
  // package (debconf for debconf-2.0) is not followed.
  for (const std::string& line : lines) {
    EXPECT_THAT(line, Not(HasSubstr("dpkg"))) << line;
    EXPECT_THAT(line, Not(HasSubstr("libcap2-bin"))) << line;
    EXPECT_THAT(line, Not(HasSubstr("cdebconf"))) << line;
    EXPECT_THAT(line, Not(HasSubstr("stuck"))) << line;
  }
  EXPECT_EQ(CountStartingWith(lines, "raise "), 19u);
  EXPECT_EQ(CountStartingWith(lines, "fetch "), 1u);
  EXPECT_EQ(CountStartingWith(lines, "install "), 105u);

  // Raises first, then each package after what it depends on, the target last.
  EXPECT_EQ(CountStartingWith(std::vector(lines.begin(), lines.begin() + 19), "raise "), 19u);
  EXPECT_LT(IndexOf(lines, "install gcc-12-base:i386"), IndexOf(lines, "install libgcc-s1:i386"));
  EXPECT_LT(IndexOf(lines, "install libc6:i386"), IndexOf(lines, "install libwine:i386"));
  EXPECT_LT(IndexOf(lines, "fetch zlib1g:i386=1:1.2.13.dfsg-1+deb12u1"),
            IndexOf(lines, "install libpng16-16:i386"));
  EXPECT_LT(IndexOf(lines, "install libssl3:i386"), IndexOf(lines, "install libcurl4:i386"));
  EXPECT_EQ(lines.back(), "install wine32:i386");
}

// A small machine written out here: what nothing can install is named, what is there skipped.
TEST(AptSkew, StuckWhenNoIndexHoldsTheVersionTheTwinNeeds) {
  TempDir folder;
  std::ofstream(folder.File("depends.txt")) << "app:i386\n"
                                               "  Depends: libold:i386\n"
                                               "  Depends: libnew:i386\n"
                                               "  Depends: libthere:i386\n"
                                               "libold:i386\nlibnew:i386\nlibthere:i386\n";
  std::ofstream(folder.File("policy.txt"))
      << "app:i386:\n  Installed: (none)\n  Candidate: 1.0\n  Version table:\n"
         "     1.0 500\n        500 http://example.org/debian main/main i386 Packages\n"
         // Native 2.0 from a snapshot, in no index now; i386 only at 1.5.
         "libold:i386:\n  Installed: (none)\n  Candidate: 1.5\n  Version table:\n"
         "     1.5 500\n        500 http://example.org/debian main/main i386 Packages\n"
         "libold:\n  Installed: 2.0\n  Candidate: 2.0\n  Version table:\n"
         " *** 2.0 100\n        100 /var/lib/dpkg/status\n"
         // Native 1.0 older than the i386 3.0, and no native 3.0 in any index.
         "libnew:i386:\n  Installed: (none)\n  Candidate: 3.0\n  Version table:\n"
         "     3.0 500\n        500 http://example.org/debian main/main i386 Packages\n"
         "libnew:\n  Installed: 1.0\n  Candidate: 1.0\n  Version table:\n"
         " *** 1.0 500\n        500 http://example.org/debian main/main amd64 Packages\n"
         "        100 /var/lib/dpkg/status\n"
         "libthere:i386:\n  Installed: 1.0\n  Candidate: 1.0\n  Version table:\n"
         " *** 1.0 500\n        500 http://example.org/debian main/main i386 Packages\n";
  std::ofstream(folder.File("installed.txt")) << "libold:amd64\t2.0\tsame\tii \n"
                                                 "libnew:amd64\t1.0\tsame\tii \n"
                                                 "libthere:i386\t1.0\tsame\tii \n";

  const Outcome plan = RunShell("KEYDESK_NATIVE_ARCH=amd64 " + kSource + "/scripts/apt-skew plan " +
                                folder.Path().string() + " app:i386");
  ASSERT_EQ(plan.status, 0) << plan.output;
  EXPECT_EQ(Lines(plan.output),
            (std::vector<std::string>{
                "stuck libold:i386 amd64 2.0 installed, 1.5 for i386, and amd64 2.0 in no index "
                "to fetch its twin from",
                "stuck libnew:i386 amd64 1.0 installed, 3.0 for i386, and amd64 3.0 in no index",
                "install app:i386"}));
}

TEST(AptSkew, TheFetchedTwinComesFromWhereTheNativePackageCame) {
  const Outcome uri = RunShell("KEYDESK_NATIVE_ARCH=amd64 " + kSource +
                               "/scripts/apt-skew foreign-uri < " + kRecords + "/print-uris.txt");
  EXPECT_EQ(Lines(uri.output),
            std::vector<std::string>{"http://deb.debian.org/debian-security/pool/updates/main/z/"
                                     "zlib/zlib1g_1.2.13.dfsg-1%2bdeb12u1_i386.deb"});
}

// scripts/setup test with apt and dpkg stood in for; the calls they saw are in the log.
class SetupScript : public ::testing::Test {
 protected:
  SetupScript() {
    std::filesystem::create_directories(folder_.Path() / "apt/sources.list.d");
    std::ofstream(folder_.File("apt/sources.list.d/keydesk-sources.sources")) << "Types: deb-src\n";
    std::filesystem::copy(kRecords, folder_.Path() / "records");
  }

  Outcome Setup(const std::string& environment) {
    return RunShell("PATH=" + kSource +
                    "/tests/system/apt_stand_ins:$PATH KEYDESK_APT_ETC=" + folder_.File("apt") +
                    " KEYDESK_SETUP_RETRY_SECONDS=0 STAND_IN_LOG=" + folder_.File("log") +
                    " STAND_IN_RECORDS=" + folder_.File("records") + " " + environment + " " +
                    kSource + "/scripts/setup test");
  }
  std::vector<std::string> Calls() const { return Lines(ReadAll(folder_.File("log"))); }

  TempDir folder_;
};

TEST_F(SetupScript, GoesOnWhenUpdateFailsTwiceAndThenWorks) {
  const Outcome setup = Setup("STAND_IN_UPDATE_FAILURES=2 STAND_IN_MISSING=nsis");
  EXPECT_EQ(setup.status, 0) << setup.output;
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(CountStartingWith(calls, "apt-get update"), 3u);
  EXPECT_THAT(calls, Contains("apt-get install -y --no-install-recommends --no-remove nsis"));
  EXPECT_THAT(setup.output, HasSubstr("try 2 of 3"));
  EXPECT_THAT(setup.output, Not(HasSubstr("Not fetched")));
}

TEST_F(SetupScript, RepairsTheSkewWhenTheI386SetCannotBeInstalled) {
  const Outcome setup = Setup(
      "STAND_IN_UPDATE_FAILURES=always STAND_IN_SET_FAILS=1 STAND_IN_MISSING=\"wine wine64 "
      "*:i386\"");
  ASSERT_EQ(setup.status, 0) << setup.output;
  EXPECT_THAT(setup.output, HasSubstr("Not fetched:\n  " + kFailedIndex));
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(CountStartingWith(calls, "apt-get update"), 3u);

  const std::string install = "apt-get install -y --no-install-recommends --no-remove ";
  // The native packages alone, then the raises with the suite of the missing index ranked low.
  const size_t natives = IndexOf(calls, install + "wine wine64");
  ASSERT_LT(natives, calls.size()) << ReadAll(folder_.File("log"));
  const auto raise = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) {
    return c.find("libssl3:amd64=3.0.20-1~deb12u2") != std::string::npos;
  });
  ASSERT_NE(raise, calls.end());
  EXPECT_LT(natives, size_t(raise - calls.begin()));
  EXPECT_THAT(*raise, HasSubstr("-o Dir::Etc::Preferences="));
  EXPECT_THAT(*raise, Not(HasSubstr(":i386")));
  EXPECT_THAT(calls, Contains(HasSubstr("apt-helper download-file "
                                        "http://deb.debian.org/debian-security/pool/updates/main/"
                                        "z/zlib/zlib1g_1.2.13.dfsg-1%2bdeb12u1_i386.deb")));

  // The whole set failed, so one at a time, the fetched twin among them, wine32:i386 last.
  std::vector<std::string> pieces;
  for (const std::string& call : calls) {
    if (!Piece(call).empty()) pieces.push_back(Piece(call));
  }
  EXPECT_EQ(pieces.size(), 106u);
  EXPECT_LT(IndexOf(pieces, "libc6:i386"), IndexOf(pieces, "zlib1g:i386.deb"));
  EXPECT_LT(IndexOf(pieces, "zlib1g:i386.deb"), IndexOf(pieces, "libpng16-16:i386"));
  EXPECT_EQ(pieces.back(), "wine32:i386");
  EXPECT_EQ(Piece(calls.back()), "wine32:i386");
  EXPECT_THAT(setup.output, HasSubstr("one at a time"));
}

TEST_F(SetupScript, StopsNamingThePackageAndTheIndexWhenAPieceCannotBeInstalled) {
  const Outcome setup = Setup(
      "STAND_IN_UPDATE_FAILURES=always STAND_IN_SET_FAILS=1 STAND_IN_MISSING=\"wine wine64 "
      "*:i386\" "
      "STAND_IN_REFUSE=libwine:i386");
  EXPECT_EQ(setup.status, 1) << setup.output;
  EXPECT_THAT(setup.output, HasSubstr("cannot install wine32:i386 (at libwine:i386)"));
  EXPECT_THAT(setup.output, HasSubstr("    " + kFailedIndex));
  EXPECT_THAT(setup.output, HasSubstr("Run ./test again later"));
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(Piece(calls.back()), "libwine:i386") << "went on past the piece that failed";
}

TEST_F(SetupScript, RefusesAFetchedPackageThatIsNotTheTwin) {
  std::ofstream(folder_.File("records/fetched.control"))
      << "Package: zlib1g\nVersion: 1:1.2.13.dfsg-1\nArchitecture: i386\n";
  const Outcome setup = Setup(
      "STAND_IN_UPDATE_FAILURES=always STAND_IN_SET_FAILS=1 STAND_IN_MISSING=\"wine wine64 "
      "*:i386\"");
  EXPECT_EQ(setup.status, 1) << setup.output;
  EXPECT_THAT(setup.output, HasSubstr("cannot install zlib1g:i386 (its 1:1.2.13.dfsg-1+deb12u1 "
                                      "could not be fetched from http://"));
  // Nothing installed after the refusal: wine32:i386 only in the first, failed, install.
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) {
                            return c.starts_with("apt-get install") && c.ends_with(" wine32:i386");
                          }),
            1);
}

}  // namespace
}  // namespace keydesk::test
