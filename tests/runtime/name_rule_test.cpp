#include "runtime/name_rule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(NameRule, SplitsAtBackslashesAndSlashesKeepingEmptyParts) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a\\b/c", {"a", "b", "c"}}, {"", {""}}, {"a\\\\", {"a", "", ""}}, {"/a", {"", "a"}}};
  for (const auto& [path, parts] : cases) EXPECT_EQ(SplitPathParts(path), parts) << path;
}

TEST(NameRule, InvalidPartsNameTheirFault) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {"a.txt", "a b..c"}},
      {"an empty part", {""}},
      {"a dot part", {".", "..", "...", ". ."}},
      {"a blank part", {"  "}},
      {"a control character", {"a\0b"s, "a\x1f", "a\x7f"}},
      {"a separator", {"a/b", "a\\b"}},
      {"a colon", {"c:a"}}};
  for (const auto& [reason, parts] : cases)
    for (const std::string& part : parts) EXPECT_EQ(InvalidPartReason(part), reason) << part;
}

TEST(NameRule, KeysJoinTheNamesEachSystemTakesForOne) {
  const struct {
    const char *A, *B;
    bool SameOnWindows, SameOnPosix;
  } cases[] = {{"À.txt", "à.txt", true, false},     {"Š Œ Ž Ÿ", "š œ ž ÿ", true, false},
               {"a.txt", "a.txt.", true, false},    {"a.txt", "a.txt ", true, false},
               {"dir. \\a", "DIR\\A", true, false}, {"xt_CONNMARK.h", "xt_connmark.h", true, false},
               {"a\\b", "a/b", true, true},         {"÷", "×", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.A) + " | " + c.B);
    EXPECT_EQ(FileNameKey(c.A, TNameSystem::Windows) == FileNameKey(c.B, TNameSystem::Windows), c.SameOnWindows);
    EXPECT_EQ(FileNameKey(c.A, TNameSystem::Posix) == FileNameKey(c.B, TNameSystem::Posix), c.SameOnPosix);
  }
}

}  // namespace
