// The Linux destination against links planted in its way, folders swapped
// while it works, and interrupts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/destination.h"
#include "tests/support/fake_destination.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::TNameParts;

bool Exists(const std::string& Path) {
  struct stat st {};
  return ::lstat(Path.c_str(), &st) == 0;
}

class HostDestination : public ::testing::Test {
 protected:
  testsupport::TempDir Temp;
  std::string Root = Temp / "root", Outside = Temp / "outside", Reason;
  std::unique_ptr<platform::IDestination> Real = platform::OpenDestination(Root, Reason);
  testsupport::FakeDestination Dest{*Real};

  HostDestination() { std::filesystem::create_directory(Outside); }

  bool Put(const TNameParts& Folders, const std::string& Name, const std::string& Bytes, bool Replace) {
    auto file = Dest.NewTempFile(Folders, Reason);
    return file && file->Write(Bytes.data(), Bytes.size(), Reason) && file->Commit(Name, Replace, Reason);
  }
  bool OutsideIsEmpty() const { return std::filesystem::is_empty(Outside); }
};

TEST_F(HostDestination, LinkAtAFolderPartIsRefusedAndNothingIsWrittenThere) {
  testsupport::WriteFile(Temp / "file", "x");
  const std::string targets[] = {Outside, Temp / "missing", Temp / "file"};
  for (const std::string& target : targets) {
    ASSERT_TRUE(Real->MakeFolders({"a"}, Reason)) << Reason;
    std::filesystem::remove_all(Root + "/a/l");
    ASSERT_EQ(::symlink(target.c_str(), (Root + "/a/l").c_str()), 0);
    EXPECT_FALSE(Dest.MakeFolders({"a", "l", "sub"}, Reason)) << target;
    EXPECT_NE(Reason.find("link"), std::string::npos) << Reason;
    EXPECT_FALSE(Dest.NewTempFile({"a", "l"}, Reason)) << target;
    EXPECT_EQ(Dest.Look({"a", "l"}).Kind, platform::ekLink);
    EXPECT_EQ(Dest.Look({"a", "l", "x"}).Kind, platform::ekNone);
    EXPECT_TRUE(OutsideIsEmpty()) << target;
    EXPECT_FALSE(Exists(Temp / "missing"));
  }
}

TEST_F(HostDestination, LinkAtTheNameIsReplacedNotFollowed) {
  testsupport::WriteFile(Outside + "/secret", "secret");
  ASSERT_EQ(::symlink((Outside + "/secret").c_str(), (Root + "/t").c_str()), 0);
  EXPECT_FALSE(Put({}, "t", "new", false));
  ASSERT_TRUE(Put({}, "t", "new", true)) << Reason;
  EXPECT_EQ(testsupport::ReadFile(Outside + "/secret"), "secret");
  EXPECT_EQ(Dest.Look({"t"}).Kind, platform::ekFile);
  EXPECT_EQ(testsupport::ReadFile(Root + "/t"), "new");
  // Links planted under the temporary names the destination may pick next
  // are never written through: a temporary file is always a new one.
  for (int n = 1; n <= 2000; ++n) {
    std::string name = Root + "/.velto-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
    ASSERT_EQ(::symlink((Outside + "/secret").c_str(), name.c_str()), 0);
  }
  ASSERT_TRUE(Put({}, "u", "newer", true)) << Reason;
  EXPECT_EQ(testsupport::ReadFile(Outside + "/secret"), "secret");
  EXPECT_EQ(testsupport::ReadFile(Root + "/u"), "newer");
}

TEST_F(HostDestination, FolderSwappedForALinkMeanwhileDoesNotRedirectTheFile) {
  // Before the commit, "d" (already open) moves to "d2" and a link to the
  // outside takes its name; before the temp file, "e" (not yet open) is
  // planted as such a link.
  Dest.BeforeCommit = [&](const TNameParts&, const std::string&) {
    std::filesystem::rename(Root + "/d", Root + "/d2");
    std::filesystem::create_directory_symlink(Outside, Root + "/d");
  };
  EXPECT_TRUE(Put({"d"}, "f", "data", false)) << Reason;
  EXPECT_EQ(testsupport::ReadFile(Root + "/d2/f"), "data");
  Dest.BeforeNewTempFile = [&](const TNameParts&) { std::filesystem::create_directory_symlink(Outside, Root + "/e"); };
  EXPECT_FALSE(Put({"e"}, "f", "data", false));
  EXPECT_TRUE(OutsideIsEmpty());
  EXPECT_EQ(Dest.LiveTempFiles, 0);
}

TEST_F(HostDestination, InterruptRemovesLiveTempFilesAndEndsBySignal) {
  Real.reset();  // the child opens its own
  for (int signal : {SIGTERM, SIGINT}) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      ::signal(signal, SIG_DFL);
      std::string reason, names;
      auto dest = platform::OpenDestination(Root, reason);
      auto open = dest ? dest->NewTempFile({"d"}, reason) : nullptr;
      auto closed = dest ? dest->NewTempFile({"d"}, reason) : nullptr;
      auto kept = dest ? dest->NewTempFile({"d"}, reason) : nullptr;
      if (!open || !closed || !kept || !closed->Close(reason) || !kept->Commit("kept", true, reason)) ::_exit(2);
      names = open->TempName() + "\n" + closed->TempName();
      if (::write(ready[1], names.data(), names.size()) != static_cast<ssize_t>(names.size())) ::_exit(3);
      ::close(ready[1]);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    std::string names;
    char buffer[256];
    for (ssize_t n; (n = ::read(ready[0], buffer, sizeof buffer)) > 0;) names.append(buffer, static_cast<size_t>(n));
    ::close(ready[0]);
    const std::string temps[] = {Root + "/d/" + names.substr(0, names.find('\n')),
                                 Root + "/d/" + names.substr(names.find('\n') + 1)};
    for (const std::string& temp : temps) EXPECT_TRUE(Exists(temp)) << temp;
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    for (const std::string& temp : temps) EXPECT_FALSE(Exists(temp)) << temp;
    EXPECT_TRUE(Exists(Root + "/d/kept"));
  }
}

}  // namespace
