#include "archive/block_pipeline.h"

#include <algorithm>

namespace archive {

TBlockPipeline::TBlockPipeline(const TFactory& MakeTransform, int Threads) {
  int workers = Threads <= 1 ? 0 : Threads;
  // Eight pieces per worker: the caller waits for half of them at a time,
  // and the other half keeps every worker busy meanwhile.
  FSlots.resize(workers == 0 ? 1 : static_cast<size_t>(workers) * 8);
  if (workers == 0) FInline = MakeTransform();
  for (int i = 0; i < workers; ++i)
    FWorkers.emplace_back([this, t = MakeTransform()]() mutable { Work(std::move(t)); });
}

TBlockPipeline::~TBlockPipeline() {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FStop = true;
  }
  FWorkReady.notify_all();
  for (auto& t : FWorkers) t.join();
}

void TBlockPipeline::Push(std::vector<uint8_t>& Piece) {
  if (FWorkers.empty()) {
    Slot& slot = FSlots[0];
    FInline->Make(Piece.data(), Piece.size(), slot.Block);
    slot.Piece.swap(Piece);  // keeps the buffer for the caller's next piece
    slot.Done = true;
    ++FTail;
    return;
  }
  {
    std::lock_guard<std::mutex> guard(FLock);
    Slot& slot = FSlots[FTail % FSlots.size()];
    slot.Piece.swap(Piece);
    slot.Done = false;
    ++FTail;
  }
  FWorkReady.notify_one();
}

bool TBlockPipeline::BatchReady() const {
  if (!FSlots[FHead % FSlots.size()].Done) return false;
  // Waking the caller costs more than a block takes to write: it is woken
  // when half the window, or all that is left in flight, is done.
  uint64_t end = std::min(FTail, FHead + FSlots.size() / 2);
  for (uint64_t s = FHead + 1; s < end; ++s)
    if (!FSlots[s % FSlots.size()].Done) return false;
  return true;
}

void TBlockPipeline::Pop(TDataBlock& Block) {
  std::unique_lock<std::mutex> guard(FLock);
  Slot& slot = FSlots[FHead % FSlots.size()];
  if (!slot.Done) {
    FCallerWaiting = true;
    FBlockReady.wait(guard, [&] { return BatchReady(); });
    FCallerWaiting = false;
  }
  std::swap(Block, slot.Block);
  slot.Done = false;
  ++FHead;
}

void TBlockPipeline::Work(std::unique_ptr<TBlockTransform> Transform) {
  std::unique_lock<std::mutex> guard(FLock);
  for (;;) {
    FWorkReady.wait(guard, [&] { return FStop || FClaimed < FTail; });
    if (FStop) return;
    Slot& slot = FSlots[FClaimed % FSlots.size()];
    ++FClaimed;
    guard.unlock();
    Transform->Make(slot.Piece.data(), slot.Piece.size(), slot.Block);
    guard.lock();
    slot.Done = true;
    if (FCallerWaiting && BatchReady()) FBlockReady.notify_one();
  }
}

}  // namespace archive
