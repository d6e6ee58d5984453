// The background writer of restored files: order and lengths of the blocks,
// waiting for space, and what happens after a write fails.
#include "archive/background_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "archive/format.h"
#include "runtime/exceptions.h"

namespace {

// A stream that keeps what is written, can be slow, and fails from its
// FailAt-th write call on (counted from 1; 0 never).
class RecordingStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void* Buffer, int32_t Count) override {
    ++Calls;
    if (FailAt != 0 && Calls >= FailAt) return 0;
    if (SlowEvery != 0 && Calls % SlowEvery == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Data.append(static_cast<const char*>(Buffer), static_cast<size_t>(Count));
    return Count;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return static_cast<int64_t>(Data.size()); }

  std::string Data;
  int Calls = 0;
  int FailAt = 0;
  int SlowEvery = 0;
};

// Queues one block of Length bytes, all of them Fill.
void QueueBlock(archive::TBackgroundWriter& Writer, int32_t Length, char Fill) {
  unsigned char* buffer = Writer.NextBuffer();
  std::memset(buffer, Fill, static_cast<size_t>(Length));
  Writer.Queue(Length);
}

TEST(BackgroundWriterTest, WritesEveryBlockInOrderWithItsLengthAlsoWhenTheStreamIsSlow) {
  for (int slowEvery : {0, 3}) {
    RecordingStream stream;
    stream.SlowEvery = slowEvery;  // with sleeps the caller must wait for free buffers
    std::string expected;
    std::mt19937 rng(7);
    {
      archive::TBackgroundWriter writer(stream);
      for (int i = 0; i < 200; ++i) {
        int32_t length = 1 + static_cast<int32_t>(rng() % archive::kMaxBlockSize);
        if (i % 50 == 0) length = archive::kMaxBlockSize;
        char fill = static_cast<char>('a' + i % 26);
        QueueBlock(writer, length, fill);
        expected.append(static_cast<size_t>(length), fill);
      }
      writer.Finish();
      EXPECT_EQ(stream.Data.size(), expected.size()) << "slow every " << slowEvery;
      EXPECT_TRUE(stream.Data == expected) << "slow every " << slowEvery;
    }
  }
}

TEST(BackgroundWriterTest, DestroyingWithoutFinishStillWritesWhatWasQueued) {
  RecordingStream stream;
  {
    archive::TBackgroundWriter writer(stream);
    QueueBlock(writer, 10, 'x');
    QueueBlock(writer, 5, 'y');
  }
  EXPECT_EQ(stream.Data, std::string(10, 'x') + std::string(5, 'y'));
}

TEST(BackgroundWriterTest, AFailedWriteIsThrownToTheCallerAndNothingAfterItIsWritten) {
  RecordingStream stream;
  stream.FailAt = 3;
  archive::TBackgroundWriter writer(stream);
  bool thrown = false;
  try {
    // More blocks than buffers: the failure must reach the caller while it
    // queues, or at the latest at Finish, and never leave it waiting.
    for (int i = 0; i < 3 * archive::TBackgroundWriter::kSlots; ++i) QueueBlock(writer, 100, char('0' + i % 10));
    writer.Finish();
  } catch (const EWriteError& e) {
    thrown = true;
    EXPECT_STREQ(e.what(), "Stream write error");
  }
  EXPECT_TRUE(thrown);
  EXPECT_EQ(stream.Data, std::string(100, '0') + std::string(100, '1'));
  EXPECT_EQ(stream.Calls, 3);  // no write is tried after the one that failed
  EXPECT_THROW(writer.Finish(), EWriteError);
}

}  // namespace
