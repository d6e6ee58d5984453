#include "archive/block_pipeline.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace archive {

TBlockPipeline::TBlockPipeline(const TFactory& MakeTransform, int Threads, const TThreadStarter& StartThread) {
  int wanted = Threads <= 1 ? 0 : Threads;
  // The workers wait until a piece is pushed, so the window can be sized
  // after they are started.
  FSlots.resize(std::max(1, wanted) * 8);
  FWorkers.reserve(static_cast<size_t>(wanted));
  try {
    for (int i = 0; i < wanted; ++i) {
      auto transform = std::make_shared<std::unique_ptr<TBlockTransform>>(MakeTransform());
      std::function<void()> body = [this, transform] { Work(std::move(*transform)); };
      platform::TThread worker;
      try {
        worker = StartThread ? StartThread(std::move(body)) : platform::StartThread(std::move(body));
      } catch (const std::exception&) {
        // std::bad_alloc: as a thread that the system cannot start
      }
      if (!worker.Joinable()) break;  // fewer workers, down to none
      FWorkers.push_back(std::move(worker));
    }
    // Eight pieces per worker: the caller waits for half of them at a time,
    // and the other half keeps every worker busy meanwhile.
    {
      platform::TLockHold hold(FLock);
      FSlots.resize(FWorkers.empty() ? 1 : FWorkers.size() * 8);
    }
    if (FWorkers.empty()) FInline = MakeTransform();
  } catch (...) {
    StopWorkers();  // the workers started wait for pieces that never come
    throw;
  }
}

TBlockPipeline::~TBlockPipeline() { StopWorkers(); }

void TBlockPipeline::StopWorkers() {
  {
    platform::TLockHold hold(FLock);
    FStop = true;
  }
  FWorkReady.WakeAll();
  for (auto& t : FWorkers) t.Join();
}

void TBlockPipeline::Push(std::vector<uint8_t>& Piece) {
  if (FWorkers.empty()) {
    Slot& slot = FSlots[0];
    slot.Error = nullptr;
    try {
      FInline->Make(Piece.data(), Piece.size(), slot.Block);
    } catch (...) {
      slot.Error = std::current_exception();
    }
    slot.Piece.swap(Piece);  // keeps the buffer for the caller's next piece
    slot.Done = true;
    ++FTail;
    return;
  }
  {
    platform::TLockHold hold(FLock);
    Slot& slot = FSlots[FTail % FSlots.size()];
    slot.Piece.swap(Piece);
    slot.Done = false;
    ++FTail;
  }
  FWorkReady.WakeOne();
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
  std::exception_ptr error;
  {
    platform::TLockHold hold(FLock);
    Slot& slot = FSlots[FHead % FSlots.size()];
    if (!slot.Done) {
      FCallerWaiting = true;
      FBlockReady.WaitFor(FLock, [&] { return BatchReady(); });
      FCallerWaiting = false;
    }
    std::swap(Block, slot.Block);
    error = std::move(slot.Error);
    slot.Error = nullptr;
    slot.Done = false;
    ++FHead;
  }
  if (error) std::rethrow_exception(error);
}

void TBlockPipeline::Work(std::unique_ptr<TBlockTransform> Transform) {
  platform::TLockHold hold(FLock);
  for (;;) {
    FWorkReady.WaitFor(FLock, [&] { return FStop || FClaimed < FTail; });
    if (FStop) return;
    Slot& slot = FSlots[FClaimed % FSlots.size()];
    ++FClaimed;
    // The piece is transformed without the lock; nothing below raises.
    FLock.Unlock();
    std::exception_ptr error;
    try {
      Transform->Make(slot.Piece.data(), slot.Piece.size(), slot.Block);
    } catch (...) {
      error = std::current_exception();
    }
    FLock.Lock();
    slot.Error = std::move(error);
    slot.Done = true;
    if (FCallerWaiting && BatchReady()) FBlockReady.WakeOne();
  }
}

}  // namespace archive
