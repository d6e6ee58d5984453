#include "runtime/stringlist.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace {

TEST(StringList, KeepsOrderAndDuplicates) {
  TStringList l;
  EXPECT_EQ(l.Add("b"), 0);
  EXPECT_EQ(l.Add("a"), 1);
  EXPECT_EQ(l.Add("b"), 2);
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l[2], "b");
  EXPECT_EQ(l.IndexOf("a"), 1);
  EXPECT_EQ(l.IndexOf("A"), -1);
  EXPECT_THROW(l.Strings(3), EArgumentError);
  EXPECT_THROW(l.Set(-1, "x"), EArgumentError);
  TStringList copy;
  copy.Add("old");
  copy.Assign(l);
  EXPECT_EQ(copy.Text(), "b\r\na\r\nb\r\n");
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(copy.Count(), 3);
}

TEST(StringList, LoadFromStreamSplitsAtEveryLineEndAndReplacesItems) {
  TMemoryStream s;
  std::string text = "c:\\a.exe\t851533824=5\r\nx\ny\rlast";
  s.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  s.SetPosition(0);
  TStringList l;
  l.Add("old");
  l.LoadFromStream(s);
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l[0], "c:\\a.exe\t851533824=5");
  EXPECT_EQ(l.Names(0), "c:\\a.exe\t851533824");
  EXPECT_EQ(l.ValueFromIndex(0), "5");
  EXPECT_EQ(l[3], "last");
}

TEST(StringList, EmptyLinesCountButAnEmptyTailDoesNot) {
  TStringList l;
  l.SetText("a\r\n\r\nb\r\n");
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l[1], "");
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
}

}  // namespace
