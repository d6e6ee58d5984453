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

// A stream that hands out at most Chunk bytes per Read, as a pipe may.
class ChunkedStream : public TMemoryStream {
 public:
  ChunkedStream(std::vector<uint8_t> Bytes, int32_t Chunk) : TMemoryStream(std::move(Bytes)), FChunk(Chunk) {}
  int32_t Read(void* Buffer, int32_t Count) override {
    return TMemoryStream::Read(Buffer, Count < FChunk ? Count : FChunk);
  }

 private:
  int32_t FChunk;
};

TEST(Streams, ReadBufferGathersShortReadsAndFailsOnlyAtTheEnd) {
  for (int32_t chunk : {1, 2, 3, 7}) {
    ChunkedStream s({1, 0, 0, 0, 2, 0, 0, 0, 9}, chunk);
    EXPECT_EQ(s.ReadInt32(), 1) << chunk;
    uint8_t four[4];
    s.ReadBuffer(four, 4);
    EXPECT_EQ(four[0], 2) << chunk;
    EXPECT_THROW(s.ReadBuffer(four, 2), EReadError) << chunk;
    EXPECT_EQ(four[0], 9) << chunk;  // what there was is in the buffer
  }
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
