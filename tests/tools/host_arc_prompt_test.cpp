// velto-arc's extract asking on the terminal for a missing volume, with a
// console whose terminal answers come from the test (host file system).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "platform/host/host_filesystem.h"
#include "tests/support/temp_dir.h"
#include "tools/arc_commands.h"
#include "tools/console.h"

namespace {

// A console on a terminal whose answers come from the test.
class ScriptedConsole : public arc::IConsole {
 public:
  explicit ScriptedConsole(std::string Dir) : FDir(std::move(Dir)) {}
  platform::IFileSystem& Files() override { return FFiles; }
  std::string ComponentPath(const std::string& Path) override {
    return platform::HostFileSystem::WindowsPathOf(Path[0] == '/' ? Path : FDir + "/" + Path);
  }
  std::string DisplayPath(const std::string& Path) override { return FFiles.NativePath(Path); }
  std::string CurrentFolder() override { return ComponentPath(FDir); }
  bool ErrIsTerminal() override { return true; }
  bool InIsTerminal() override { return true; }
  std::string ToTerminal(const std::string& Text) override { return Text; }
  bool FromTerminal(const std::string& Typed, std::string& Text) override {
    Text = Typed;
    return true;
  }
  bool ReadLine(std::string& Line) override {
    ++Prompts;
    return OnReadLine ? OnReadLine(Line) : false;
  }
  int Processors() override { return 2; }

  std::function<bool(std::string&)> OnReadLine;
  int Prompts = 0;

 private:
  std::string FDir;
  platform::HostFileSystem FFiles;
};

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
