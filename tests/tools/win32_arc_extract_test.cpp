// velto-arc on Windows, through the Win32 console: many files made by the
// extraction's writer threads into an empty folder, then replaced in place,
// and a target that cannot be replaced kept as it was; a folder stored as
// named and an input refused as the output by another name.
#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "runtime/scope_exit.h"
#include "tests/support/temp_dir.h"
#include "tools/arc_commands.h"

namespace fs = std::filesystem;

namespace {

class Win32ArcExtractTest : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& Args) {
    std::ostringstream out, err;
    int status = arc::RunArc(Args, *Console, out, err);
    Err = err.str();
    return status;
  }
  void Put(const std::string& Name, const std::string& Bytes) {
    fs::create_directories(fs::path(Dir / Name).parent_path());
    testsupport::WriteFile(Dir / Name, Bytes);
  }
  // The text of file I: its size varies, one is too long to hold in memory.
  static std::string Text(int I, char Round) {
    size_t size = I == 7 ? (3 << 19) : size_t(I * 97 % 5000);
    return std::string(size, char('a' + I % 26)) + Round;
  }
  // Writes the files of a round below src, makes m.arc of them, extracts it.
  void ExtractRound(char Round) {
    for (int i = 0; i < kFiles; ++i) Put(Name("src", i), Text(i, Round));
    ASSERT_EQ(Run({"create", "-q", Dir / "m.arc", Dir / "src" + "=c:\\m"}), arc::esSuccess) << Err;
    ASSERT_EQ(Run({"extract", "-q", Dir / "m.arc", "-d", Dir / "out", "--full-path"}), arc::esSuccess) << Err;
  }
  static std::string Name(const std::string& Top, int I) {
    return Top + "\\d" + std::to_string(I % 12) + "\\f" + std::to_string(I) + ".txt";
  }
  // Every file of out, with a count of those under a temporary name.
  int CountFiles(int& Temporary) {
    int files = 0;
    Temporary = 0;
    for (const auto& e : fs::recursive_directory_iterator(Dir / "out"))
      if (e.is_regular_file()) {
        ++files;
        if (e.path().filename().string().rfind(".~", 0) == 0) ++Temporary;
      }
    return files;
  }

  static constexpr int kFiles = 240;
  testsupport::TempDir Dir;
  std::unique_ptr<arc::IConsole> Console = arc::MakeConsole();
  std::string Err;
};

TEST_F(Win32ArcExtractTest, ManyFilesIntoAnEmptyFolderThenReplacedInPlace) {
  for (char round : {'1', '2'}) {
    SCOPED_TRACE(round);
    ExtractRound(round);
    for (int i = 0; i < kFiles; ++i) EXPECT_EQ(testsupport::ReadFile(Dir / Name("out\\m", i)), Text(i, round)) << i;
    int temporary = 0;
    EXPECT_EQ(CountFiles(temporary), kFiles);
    EXPECT_EQ(temporary, 0);
  }
}

TEST_F(Win32ArcExtractTest, ATargetHeldOpenIsKeptAndNamed) {
  ExtractRound('1');
  // Open without leave to delete: the system refuses to replace the file.
  const std::string held = Dir.Path() + "\\" + Name("out\\m", 5);  // as the tool names it
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  for (int i = 0; i < kFiles; ++i) Put(Name("src", i), Text(i, '2'));
  ASSERT_EQ(Run({"create", "-q", Dir / "m.arc", Dir / "src" + "=c:\\m"}), arc::esSuccess) << Err;
  int status = Run({"extract", "-q", Dir / "m.arc", "-d", Dir / "out", "--full-path"});
  CloseHandle(h);
  EXPECT_EQ(status, arc::esFailure);
  EXPECT_NE(Err.find(held + ": "), std::string::npos) << Err;
  EXPECT_NE(Err.find("1 not written"), std::string::npos) << Err;
  EXPECT_EQ(testsupport::ReadFile(held), Text(5, '1'));
  EXPECT_EQ(testsupport::ReadFile(Dir / Name("out\\m", 6)), Text(6, '2'));
  int temporary = 0;
  EXPECT_EQ(CountFiles(temporary), kFiles);
  EXPECT_EQ(temporary, 0);
}

TEST_F(Win32ArcExtractTest, CreateStoresAFolderAsNamedAndRefusesAnInputByAnotherName) {
  Put("src\\sub\\b.txt", "b");
  fs::create_directories(Dir / "src\\empty");
  Put("nota.txt", "nota");
  ASSERT_TRUE(CreateHardLinkA((Dir / "hard.txt").c_str(), (Dir / "nota.txt").c_str(), nullptr));
  ScopeExit back([before = fs::current_path()] { fs::current_path(before); });
  fs::current_path(Dir.Path());  // names are relative to where the command runs
  EXPECT_EQ(Run({"create", "-q", "a.arc", "src"}), arc::esSuccess);
  EXPECT_NE(Err.find("1 empty folder left out"), std::string::npos) << Err;
  EXPECT_EQ(Run({"extract", "-q", "a.arc", "-d", "out", "--full-path"}), arc::esSuccess) << Err;
  EXPECT_EQ(testsupport::ReadFile(Dir / "out\\src\\sub\\b.txt"), "b");
  EXPECT_EQ(Run({"create", "-q", "hard.txt", "nota.txt"}), arc::esUsage);
  EXPECT_NE(Err.find("hard.txt is the input nota.txt"), std::string::npos) << Err;
  EXPECT_EQ(testsupport::ReadFile(Dir / "nota.txt"), "nota");
  EXPECT_EQ(Run({"extract", "-q", "a.arc", "-d", "nota.txt"}), arc::esFailure);
  EXPECT_NE(Err.find("cannot write to"), std::string::npos) << Err;
}

}  // namespace
