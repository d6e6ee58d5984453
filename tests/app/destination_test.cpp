// The rules for the destination folder: which paths are full, and the folder
// that a record's executable path offers.
#include "app/destination.h"

#include <gtest/gtest.h>

namespace {

TEST(DestinationTest, FullPathNamesItsDriveOrServerAndShare) {
  struct Case {
    const char* path;
    bool full;
  };
  const Case cases[] = {
      {"c:\\programmi\\brovik\\agent", true},
      {"C:\\Velto", true},
      {"z:\\", true},
      {"c:\\programmi\\brovik\\agent\\", true},
      {"\\\\server\\share", true},
      {"\\\\server\\share\\velto", true},
      {"\\\\server\\share\\", true},
      {"c;\\Velto", false},  // a typo: relative to the installer's folder
      {"c:Velto", false},    // relative to drive c:'s current folder
      {"c:", false},
      {"\\Velto", false},  // relative to the current drive
      {"Velto", false},
      {"", false},
      {"1:\\Velto", false},
      {"\\\\server", false},
      {"\\\\server\\", false},
      {"\\\\\\share", false},
      {"\\\\server\\\\x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsFullPath(c.path), c.full) << c.path;
}

TEST(DestinationTest, FolderOfExecutableIsItsFullFolderOrNothing) {
  struct Case {
    const char* rootDir;
    const char* folder;
  };
  const Case cases[] = {
      {"c:\\programmi\\brovik\\agent\\velto.exe", "c:\\programmi\\brovik\\agent"},
      {"d:\\Velto Due\\velto.exe", "d:\\Velto Due"},
      {"c:\\velto.exe", "c:\\"},
      {"\\\\server\\share\\velto.exe", "\\\\server\\share"},
      {"c;\\Velto\\velto.exe", ""},  // stored by an older run from a typo
      {"velto.exe", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOfExecutable(c.rootDir), c.folder) << c.rootDir;
}

}  // namespace
