// The ordered pipeline on its own: workers that cannot be started, and a
// transform that fails, with a transform that is easy to check.
#include "archive/block_pipeline.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// Each piece's bytes plus one; piece number FailAt raises std::bad_alloc.
class AddOne : public archive::TBlockTransform {
 public:
  explicit AddOne(int FailAt) : FFailAt(FailAt) {}
  void Make(const uint8_t* In, size_t Size, archive::TDataBlock& Out) override {
    if (In[0] == FFailAt) throw std::bad_alloc();
    Out.Bytes.assign(In, In + Size);
    for (uint8_t& b : Out.Bytes) ++b;
  }

 private:
  int FFailAt;
};

// Starts at most Allowed threads, then fails as under a process limit.
archive::TThreadStarter LimitedStarter(int Allowed, int& Started) {
  return [Allowed, &Started](std::function<void()> Body) {
    if (Started == Allowed) return platform::TThread();
    ++Started;
    return platform::StartThread(std::move(Body));
  };
}

// Pushes pieces 0..Count-1 (one byte each: its number) and pops them all,
// in order, while keeping the window full; returns the first bytes popped.
std::vector<int> RunPieces(archive::TBlockPipeline& Pipeline, int Count) {
  std::vector<int> popped;
  archive::TDataBlock block;
  for (int i = 0; i < Count; ++i) {
    if (Pipeline.InFlight() == Pipeline.Window()) {
      Pipeline.Pop(block);
      popped.push_back(block.Bytes[0]);
    }
    std::vector<uint8_t> piece{uint8_t(i)};
    Pipeline.Push(piece);
  }
  while (Pipeline.InFlight() > 0) {
    Pipeline.Pop(block);
    popped.push_back(block.Bytes[0]);
  }
  return popped;
}

TEST(BlockPipeline, WorkersThatCannotStartLeaveFewerWithTheSameResults) {
  std::vector<int> expected;
  for (int i = 0; i < 100; ++i) expected.push_back(i + 1);
  for (int allowed : {0, 1, 3, 4}) {
    int started = 0;
    archive::TBlockPipeline pipeline([] { return std::make_unique<AddOne>(-1); }, 4, LimitedStarter(allowed, started));
    EXPECT_EQ(started, allowed);
    EXPECT_EQ(pipeline.Workers(), size_t(allowed));
    EXPECT_EQ(pipeline.Window(), allowed == 0 ? 1u : size_t(allowed) * 8);
    EXPECT_EQ(RunPieces(pipeline, 100), expected) << allowed;
  }
}

TEST(BlockPipeline, ATransformsExceptionReachesTheCallerAtItsPiece) {
  for (int threads : {1, 3}) {
    archive::TBlockPipeline pipeline([] { return std::make_unique<AddOne>(5); }, threads);
    archive::TDataBlock block;
    std::vector<std::string> results;
    auto popOne = [&] {
      try {
        pipeline.Pop(block);
        results.push_back(std::to_string(block.Bytes[0]));
      } catch (const std::bad_alloc&) {
        results.push_back("bad_alloc");
      }
    };
    for (int i = 0; i < 7; ++i) {
      if (pipeline.InFlight() == pipeline.Window()) popOne();
      std::vector<uint8_t> piece{uint8_t(i)};
      pipeline.Push(piece);
    }
    while (pipeline.InFlight() > 0) popOne();
    // In order, and the pipeline goes on after the failed piece.
    EXPECT_EQ(results, (std::vector<std::string>{"1", "2", "3", "4", "5", "bad_alloc", "7"})) << threads;
  }
}

}  // namespace
