#include "runtime/windows_path.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/scope_exit.h"

namespace {

struct PathCase {
  const char* Path;
  const char* FileName;
  const char* FolderPath;
  const char* Folder;
};

// One row per shape of path: drive roots, drive-relative names, the root of
// the current drive, network names, doubled and trailing backslashes.
const PathCase kPathCases[] = {
    {"c:\\a\\b.exe", "b.exe", "c:\\a\\", "c:\\a"},
    {"c:\\b.exe", "b.exe", "c:\\", "c:\\"},
    {"c:b.exe", "b.exe", "c:", "c:"},
    {"\\b.exe", "b.exe", "\\", "\\"},
    {"b.exe", "b.exe", "", ""},
    {"", "", "", ""},
    {"c:\\a\\", "", "c:\\a\\", "c:\\a"},
    {"c:\\a\\\\b", "b", "c:\\a\\\\", "c:\\a"},
    {"c:\\\\b", "b", "c:\\\\", "c:\\"},
    {"\\\\server\\share\\b", "b", "\\\\server\\share\\", "\\\\server\\share"},
    {"c:/d.x/b", "b", "c:/d.x/", "c:/d.x"},
    {"c:\\sub/dir\\evil.txt", "evil.txt", "c:\\sub/dir\\", "c:\\sub/dir"},
    {"c:\\sub/evil.txt", "evil.txt", "c:\\sub/", "c:\\sub"},
    {"/b", "b", "/", "/"},
    {"a.b\\c", "c", "a.b\\", "a.b"},
};

TEST(WindowsPath, PiecesOfEveryShapeOfPath) {
  for (const PathCase& c : kPathCases) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(FileNamePart(c.Path), c.FileName);
    EXPECT_EQ(FolderPathPart(c.Path), c.FolderPath);
    EXPECT_EQ(FolderPart(c.Path), c.Folder);
  }
}

TEST(WindowsPath, TrailingBackslashAddedAndRemovedExceptAtRoots) {
  const struct {
    const char* Path;
    const char* With;
    const char* Without;
  } cases[] = {
      {"c:\\a", "c:\\a\\", "c:\\a"},
      {"c:\\a\\", "c:\\a\\", "c:\\a"},
      {"c:\\a\\\\", "c:\\a\\\\", "c:\\a"},
      {"c:\\", "c:\\", "c:\\"},
      {"c:\\\\", "c:\\\\", "c:\\"},
      {"c:", "c:", "c:"},
      {"\\", "\\", "\\"},
      {"\\\\", "\\\\", "\\"},
      {"", "", ""},
      {"a", "a\\", "a"},
      {"c:\\a/", "c:\\a/", "c:\\a"},
      {"c:/", "c:/", "c:/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(WithTrailingBackslash(c.Path), c.With);
    EXPECT_EQ(WithoutTrailingBackslash(c.Path), c.Without);
  }
}

TEST(ScopeExit, RunsOnceOnNormalExitAndOnException) {
  int runs = 0;
  {
    ScopeExit count([&runs] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(
      {
        ScopeExit count([&runs] { ++runs; });
        throw std::runtime_error("leave");
      },
      std::runtime_error);
  EXPECT_EQ(runs, 2);
}

}  // namespace
