// The Win32 destination: names in code page 1252, paths past MAX_PATH, and
// folders held so that they cannot be renamed meanwhile.
#include <windows.h>
#include <gtest/gtest.h>

#include "platform/destination.h"
#include "tests/support/temp_dir.h"

namespace {

// Run as the child of the Ctrl+C test (the variable names its root): makes
// an open and a closed temporary file and a kept one, writes their names
// beside the root, and waits to be interrupted; exit code 7 if it is not.
const bool kIsInterruptChild = [] {
  char root[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("VELTO_INTERRUPT_CHILD", root, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  std::string reason;
  auto dest = platform::OpenDestination(root, reason);
  auto open = dest ? dest->NewTempFile({}, reason) : nullptr;
  auto closed = dest ? dest->NewTempFile({}, reason) : nullptr;
  auto kept = dest ? dest->NewTempFile({}, reason) : nullptr;
  if (!open || !closed || !kept || !closed->Close(reason) || !kept->Commit("kept", false, reason)) ExitProcess(2);
  testsupport::WriteFile(std::string(root) + ".names", open->TempName() + "\n" + closed->TempName() + "\nend");
  Sleep(30000);
  ExitProcess(7);
}();

BOOL WINAPI KeepRunning(DWORD) { return TRUE; }

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

TEST_F(Win32Destination, CtrlCRemovesLiveTempFiles) {
  Dest.reset();  // the child opens its own
  const std::string root = Temp.Path() + "\\root";
  // A console of our own to send Ctrl+C to; this process ignores it.
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  SetConsoleCtrlHandler(KeepRunning, TRUE);
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  SetEnvironmentVariableA("VELTO_INTERRUPT_CHILD", root.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  BOOL started = CreateProcessA(self, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableA("VELTO_INTERRUPT_CHILD", nullptr);
  ASSERT_TRUE(started);
  std::string names;
  for (int i = 0; i < 200 && names.find("\nend") == std::string::npos; ++i) {
    Sleep(50);
    if (GetFileAttributesA((root + ".names").c_str()) != INVALID_FILE_ATTRIBUTES)
      names = testsupport::ReadFile(root + ".names");
  }
  const std::string temps[] = {
      root + "\\" + names.substr(0, names.find('\n')),
      root + "\\" + names.substr(names.find('\n') + 1, names.rfind('\n') - names.find('\n') - 1)};
  for (const std::string& temp : temps) EXPECT_NE(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES) << temp;
  EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  EXPECT_NE(code, 7u);  // ended by the interrupt, not by waiting in vain
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  SetConsoleCtrlHandler(KeepRunning, FALSE);
  for (const std::string& temp : temps) EXPECT_EQ(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES) << temp;
  EXPECT_NE(GetFileAttributesA((root + "\\kept").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
