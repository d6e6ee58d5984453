#include "runtime/name_rule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(NameRule, SplitsAtBackslashesAndSlashesKeepingEmptyParts) {
  const struct {
    std::string Path;
    std::vector<std::string> Parts;
  } cases[] = {
      {"a\\b/c", {"a", "b", "c"}},
      {"", {""}},
      {"a\\\\", {"a", "", ""}},
      {"/a", {"", "a"}},
      {"c:\\sub/dir\\evil.txt", {"c:", "sub", "dir", "evil.txt"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitPathParts(c.Path), c.Parts) << c.Path;
}

TEST(NameRule, InvalidPartsNameTheirFault) {
  const struct {
    std::string Part;
    std::string Reason;
  } cases[] = {
      {"a.txt", ""},
      {"a b..c", ""},
      {"", "an empty part"},
      {".", "a dot part"},
      {"..", "a dot part"},
      {"...", "a dot part"},
      {". .", "a dot part"},
      {"  ", "a blank part"},
      {"a\0b"s, "a control character"},
      {"a\x1f", "a control character"},
      {"a\x7f", "a control character"},
      {"a/b", "a separator"},
      {"a\\b", "a separator"},
      {"c:a", "a colon"},
  };
  for (const auto& c : cases) EXPECT_EQ(InvalidPartReason(c.Part), c.Reason) << c.Part;
}

TEST(NameRule, KeysJoinTheNamesEachSystemTakesForOne) {
  const struct {
    const char* A;
    const char* B;
    bool SameOnWindows;
    bool SameOnPosix;
  } cases[] = {
      {"À.txt", "à.txt", true, false},
      {"Š Œ Ž Ÿ", "š œ ž ÿ", true, false},
      {"a.txt", "a.txt.", true, false},
      {"a.txt", "a.txt ", true, false},
      {"dir. \\a", "DIR\\A", true, false},
      {"xt_CONNMARK.h", "xt_connmark.h", true, false},
      {"a\\b", "a/b", true, true},
      {"ß", "SS", false, false},
      {"÷", "×", false, false},
      {"a\\..", "a\\.", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.A) + " | " + c.B);
    EXPECT_EQ(FileNameKey(c.A, TNameSystem::Windows) == FileNameKey(c.B, TNameSystem::Windows), c.SameOnWindows);
    EXPECT_EQ(FileNameKey(c.A, TNameSystem::Posix) == FileNameKey(c.B, TNameSystem::Posix), c.SameOnPosix);
  }
}

}  // namespace
