// Shared set-up of the archive reading tests: a fresh drives root in a
// temporary folder, silent scripted dialogs, and a TBackupFile over them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive/backup.h"
#include "platform/host/host_filesystem.h"
#include "tests/archive/archive_builder.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/fake_filesystem.h"
#include "tests/support/fake_message_pump.h"
#include "tests/support/temp_dir.h"

namespace testarchive {

// Every event the component raised, in order, as text, e.g.
// "progress c:\dest\a.txt 50", "restore c:\dest\a.txt", "restored ...".
class ArchiveTest : public ::testing::Test {
 protected:
  ArchiveTest() : Host(Temp.Path() + "/drives"), Files(Host) {
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    std::filesystem::create_directories(Temp.Path() + "/drives/c");
    Backup = std::make_unique<TBackupFile>(nullptr, Files, Dialogs, &Pump);
  }

  // Writes Bytes as the file WinPath (a c:\ path) and returns WinPath.
  std::string Put(const std::string& WinPath, const std::string& Bytes) {
    std::string native = Host.NativePath(WinPath);
    std::filesystem::create_directories(std::filesystem::path(native).parent_path());
    testsupport::WriteFile(native, Bytes);
    return WinPath;
  }
  std::string Get(const std::string& WinPath) { return testsupport::ReadFile(Host.NativePath(WinPath)); }
  bool Exists(const std::string& WinPath) { return Host.FileExists(WinPath); }
  int32_t Age(const std::string& WinPath) { return Host.FileAge(WinPath); }
  void SetAge(const std::string& WinPath, int32_t DosDateTime) {
    auto f = Host.OpenFile(WinPath, fmOpenWrite | fmShareDenyNone);
    ASSERT_TRUE(f->SetDosDateTime(DosDateTime));
  }
  // Records progress, file events and errors into Events.
  void RecordEvents() {
    Backup->OnProgress = [this](TObject*, const std::string& Name, TPercentage Percent, bool&) {
      Events.push_back("progress " + Name + " " + std::to_string(Percent));
    };
    Backup->OnRestoreFile = [this](TObject*, std::string& Name, int32_t, bool& DoRestore) {
      Events.push_back("restore " + Name + (DoRestore ? "" : " (skip)"));
    };
    Backup->OnFileRestored = [this](TObject*, std::string& Name, TFileStream*&) {
      Events.push_back("restored " + Name);
    };
    Backup->OnError = [this](TObject*, int32_t Code, const std::string& Text) {
      Events.push_back("error " + std::to_string(Code) + " " + Text);
    };
  }
  // Every file below the drives root, as host paths relative to it.
  std::vector<std::string> AllFiles() {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::recursive_directory_iterator(Temp.Path()))
      if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), Temp.Path()).string());
    std::sort(out.begin(), out.end());
    return out;
  }

  testsupport::TempDir Temp;
  platform::HostFileSystem Host;
  testsupport::FakeFileSystem Files;  // what the component sees
  testsupport::FakeDialogs Dialogs;
  testsupport::FakeMessagePump Pump;
  std::unique_ptr<TBackupFile> Backup;
  std::vector<std::string> Events;
};

}  // namespace testarchive
