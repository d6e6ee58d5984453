// The Win32 destination: names in code page 1252, paths past MAX_PATH, and
// folders held so that they cannot be renamed meanwhile.
#include <windows.h>
#include <gtest/gtest.h>

#include "platform/destination.h"
#include "tests/support/temp_dir.h"

namespace {

std::wstring Widened(const std::string& Ascii) { return std::wstring(Ascii.begin(), Ascii.end()); }

class Win32Destination : public ::testing::Test {
 protected:
  testsupport::TempDir Temp;
  std::wstring Root = L"\\\\?\\" + Widened(Temp.Path()) + L"\\root";
  std::string Reason;
  std::unique_ptr<platform::IDestination> Dest = platform::OpenDestination(Temp.Path() + "\\root", Reason);
};

TEST_F(Win32Destination, NamesAreCodePage1252AndLongPathsWork) {
  ASSERT_TRUE(Dest) << Reason;
  const std::string deep(120, 'd');
  struct {
    platform::TNameParts Folders;
    std::string Name;
    std::wstring Found;  // below the root
  } rows[] = {
      {{}, "Città €.txt", L"Città €.txt"},
      {{}, "trailing. .", L"trailing"},  // as Windows stores it
      {{deep, deep, deep}, "f", Widened(deep + "\\" + deep + "\\" + deep + "\\f")},
  };
  for (const auto& r : rows) {
    auto file = Dest->NewTempFile(r.Folders, Reason);
    ASSERT_TRUE(file) << Reason;
    ASSERT_TRUE(file->Commit(r.Name, false, Reason)) << Reason;
    DWORD attributes = GetFileAttributesW((Root + L"\\" + r.Found).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) << r.Name;
  }
}

TEST_F(Win32Destination, HeldFolderCannotBeRenamedUntilTheDestinationCloses) {
  ASSERT_TRUE(Dest) << Reason;
  ASSERT_TRUE(Dest->MakeFolders({"d"}, Reason)) << Reason;
  EXPECT_FALSE(MoveFileW((Root + L"\\d").c_str(), (Root + L"\\e").c_str()));
  EXPECT_FALSE(RemoveDirectoryW((Root + L"\\d").c_str()));
  Dest.reset();
  EXPECT_TRUE(MoveFileW((Root + L"\\d").c_str(), (Root + L"\\e").c_str()));
}

}  // namespace
