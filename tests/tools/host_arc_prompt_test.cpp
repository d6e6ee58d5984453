// velto-arc's extract asking on the terminal for a missing volume, with a
// console whose terminal answers come from the test (host file system).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "platform/host/host_filesystem.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/scripted_console.h"
#include "tools/arc_commands.h"
#include "tools/console.h"

namespace {

using testarc::ScriptedConsole;

TEST(ArcExtract, AsksOnTheTerminalForAMissingVolumeAndGoesOnOrStops) {
  testsupport::TempDir dir;
  std::string data(60000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7919 % 251);
  testsupport::WriteFile(dir / "d.bin", data);
  ScriptedConsole console(dir.Path());
  std::ostringstream out, err;
  ASSERT_EQ(arc::RunArc({"create", "v.arc", "-q", "-l", "none", "--volume-size", "20000", "d.bin"}, console, out, err),
            arc::esSuccess)
      << err.str();
  std::rename((dir / "v.002").c_str(), (dir / "away").c_str());

  // The user puts the volume back and presses Enter.
  console.OnReadLine = [&](std::string& Line) {
    std::rename((dir / "away").c_str(), (dir / "v.002").c_str());
    Line = "";
    return true;
  };
  EXPECT_EQ(arc::RunArc({"extract", "v.arc", "-q", "-d", "out"}, console, out, err), arc::esSuccess) << err.str();
  EXPECT_EQ(console.Prompts, 1);
  EXPECT_NE(err.str().find("Volume 2 (" + dir.Path() + "/v.002) is missing"), std::string::npos) << err.str();
  EXPECT_TRUE(testsupport::ReadFile(dir / "out/d.bin") == data);

  // The user types q.
  std::rename((dir / "v.003").c_str(), (dir / "away").c_str());
  err.str("");
  console.OnReadLine = [&](std::string& Line) {
    Line = "q";
    return true;
  };
  EXPECT_EQ(arc::RunArc({"extract", "v.arc", "-q", "-d", "out2"}, console, out, err), arc::esFailure);
  EXPECT_NE(err.str().find("velto-arc: extraction stopped at a missing volume"), std::string::npos) << err.str();
}

}  // namespace
