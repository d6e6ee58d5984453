#include "archive/block_pipeline.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "archive/format.h"

namespace archive {

namespace {

void PutLength(std::vector<uint8_t>& Bytes, int32_t Length) { StoreLE32(Bytes.data(), static_cast<uint32_t>(Length)); }

void MakeStored(const uint8_t* Piece, size_t Size, TDataBlock& Block) {
  Block.Bytes.resize(4 + Size);
  PutLength(Block.Bytes, -static_cast<int32_t>(Size));
  std::memcpy(Block.Bytes.data() + 4, Piece, Size);
}

}  // namespace

TPieceDeflater::TPieceDeflater(int ZlibLevel) : FLevel(ZlibLevel) {}

TPieceDeflater::~TPieceDeflater() {
  if (FReady) deflateEnd(static_cast<z_stream*>(FStream));
  delete static_cast<z_stream*>(FStream);
}

void TPieceDeflater::Make(const uint8_t* Piece, size_t Size, TDataBlock& Block) {
  Block.Failed = false;
  if (FLevel <= 0) {
    MakeStored(Piece, Size, Block);
    return;
  }
  if (!FStream) FStream = new z_stream{};
  auto* zs = static_cast<z_stream*>(FStream);
  int rc;
  if (!FReady) {
    *zs = z_stream{};
    rc = deflateInit2(zs, FLevel, Z_DEFLATED, kZlibWindowBits, kZlibMemLevel, Z_DEFAULT_STRATEGY);
    FReady = rc == Z_OK;
  } else {
    rc = deflateReset(zs);
  }
  if (rc != Z_OK) {
    Block.Failed = true;
    Block.Bytes.clear();
    return;
  }
  FOut.resize(deflateBound(zs, static_cast<uLong>(Size)));
  zs->next_in = const_cast<Bytef*>(Piece);
  zs->avail_in = static_cast<uInt>(Size);
  zs->next_out = FOut.data();
  zs->avail_out = static_cast<uInt>(FOut.size());
  rc = deflate(zs, Z_FINISH);
  if (rc != Z_STREAM_END) {
    // The state is unusable now; start afresh next time.
    deflateEnd(zs);
    FReady = false;
    Block.Failed = true;
    Block.Bytes.clear();
    return;
  }
  size_t packed = FOut.size() - zs->avail_out;
  if (packed >= Size) {
    MakeStored(Piece, Size, Block);
    return;
  }
  Block.Bytes.resize(4 + packed);
  PutLength(Block.Bytes, static_cast<int32_t>(packed));
  std::memcpy(Block.Bytes.data() + 4, FOut.data(), packed);
}

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
