#include "runtime/streams.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"

namespace {

TEST(Streams, MemoryStreamReadsWritesAndSeeks) {
  TMemoryStream s;
  s.WriteInt32(-100);
  s.WriteInt32(0x32C16000);
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(s.Bytes()[0], 0x9C);  // little-endian
  EXPECT_EQ(s.Bytes()[3], 0xFF);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadInt32(), -100);
  EXPECT_EQ(s.ReadInt32(), 851533824);
  EXPECT_EQ(s.Seek(-4, TSeekOrigin::soEnd), 4);
  EXPECT_EQ(s.Seek(-5, TSeekOrigin::soBeginning), -1);
  EXPECT_EQ(s.Position(), 4);
}

TEST(Streams, ShortReadRaisesReadErrorButPlainReadReturnsWhatThereIs) {
  TMemoryStream s({1, 2, 3});
  char buf[4];
  EXPECT_EQ(s.Read(buf, 4), 3);
  s.SetPosition(1);
  EXPECT_THROW(s.ReadInt32(), EReadError);
  s.SetPosition(10);  // past the end: allowed, reads nothing
  EXPECT_EQ(s.Read(buf, 1), 0);
}

TEST(Streams, CopyFromWholeStreamStartsAtItsBeginning) {
  TMemoryStream src({'a', 'b', 'c'}), dst;
  src.SetPosition(2);
  EXPECT_EQ(dst.CopyFrom(src, 0), 3);
  EXPECT_EQ(dst.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c'}));
  src.SetPosition(1);
  dst.Clear();
  dst.CopyFrom(src, 1);
  EXPECT_EQ(dst.Bytes(), (std::vector<uint8_t>{'b'}));
  EXPECT_THROW(dst.CopyFrom(src, 5), EReadError);
}

}  // namespace
