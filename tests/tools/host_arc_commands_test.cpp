// velto-arc's commands run in this process over the host file system, on
// archives assembled byte by byte.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/archive/archive_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/scripted_console.h"
#include "tools/arc_commands.h"

using testarchive::ArchiveBuilder;
using testarchive::FileSpec;
using testarchive::kDate2005;

namespace {

class ArcCommandsTest : public ::testing::Test {
 protected:
  struct Result {
    int Status;
    std::string Out, Err;
  };
  Result Run(const std::vector<std::string>& Args) {
    std::ostringstream out, err;
    int status = arc::RunArc(Args, Console, out, err);
    return {status, out.str(), err.str()};
  }
  void Put(const std::string& Name, const std::string& Bytes) { testsupport::WriteFile(Dir / Name, Bytes); }

  testsupport::TempDir Dir;
  testarc::ScriptedConsole Console{Dir.Path()};
};

TEST_F(ArcCommandsTest, ListAndTestFailOnEveryProperPrefixAndListNeedsOnlyTheHeaderAndList) {
  const std::vector<FileSpec> files = {{"c:\\r\\a.txt", kDate2005, std::string(20000, 'a')},
                                       {"c:\\r\\empty", kDate2005, ""},
                                       {"c:\\r\\b.txt", kDate2005, "bee"}};
  std::string full = testarchive::MakeArchive("t", files);
  std::string list = testarchive::FileListText(files);
  size_t infoEnd = 4 + 1 + 8 + 4 + 9 + 4 + 4 + 4 + ArchiveBuilder::Compress(list).size() + 4;
  for (size_t n = 0; n <= full.size(); ++n) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
    Put("p.arc", full.substr(0, n));
    Result listed = Run({"list", "p.arc"});
    EXPECT_EQ(listed.Status, n < infoEnd ? arc::esFailure : arc::esSuccess) << listed.Err;
    if (n >= infoEnd) EXPECT_NE(listed.Out.find("c:\\r\\b.txt  2005-06-01 12:00:00  3\n"), std::string::npos);
    Result tested = Run({"test", "-q", "p.arc"});
    EXPECT_EQ(tested.Status, n < full.size() ? arc::esFailure : arc::esSuccess) << tested.Err;
    if (n < full.size()) EXPECT_NE(tested.Err.find("velto-arc: "), std::string::npos);
  }
}

}  // namespace
