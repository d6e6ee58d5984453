// Compresses the pieces of an archive's data sections, in order, on one or
// more threads. Every piece becomes one finished data block (its int32 length
// and its bytes, Part of the block layout in archive/format.h); pieces are
// independent, so the blocks do not depend on the number of threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace archive {

// One data block as written to the archive: int32 length (> 0 compressed,
// < 0 stored) followed by the block's bytes.
struct TDataBlock {
  std::vector<uint8_t> Bytes;  // length field and contents
  bool Failed = false;         // zlib reported an error; Bytes is then empty
};

// Makes the block of one piece (at most kMaxBlockSize bytes). ZlibLevel 1..9
// compresses with window bits 15, memory level 8 and the default strategy,
// one complete zlib stream per piece; a result that is not smaller than the
// piece is stored instead. ZlibLevel 0 stores every piece. One deflate state
// is kept and reset for each piece, which gives the bytes of a fresh stream.
// Not shared between threads: one deflater per thread.
class TPieceDeflater {
 public:
  explicit TPieceDeflater(int ZlibLevel);
  ~TPieceDeflater();
  TPieceDeflater(const TPieceDeflater&) = delete;
  TPieceDeflater& operator=(const TPieceDeflater&) = delete;
  // Fills Block from Piece (Size bytes, 1..kMaxBlockSize).
  void MakeBlock(const uint8_t* Piece, size_t Size, TDataBlock& Block);

 private:
  int FLevel;
  void* FStream = nullptr;  // z_stream, kept out of this header
  bool FReady = false;
  std::vector<uint8_t> FOut;
};

// An ordered pipeline: Push gives pieces in archive order, Pop returns their
// blocks in the same order. With Threads <= 1 each piece is compressed at
// once on the caller's thread; otherwise Threads workers compress while the
// caller reads and writes. At most Window pieces are in flight, so memory is
// bounded whatever the file sizes.
class TDeflatePipeline {
 public:
  TDeflatePipeline(int ZlibLevel, int Threads);
  // Stops and joins the workers; pieces still in flight are dropped.
  ~TDeflatePipeline();
  TDeflatePipeline(const TDeflatePipeline&) = delete;
  TDeflatePipeline& operator=(const TDeflatePipeline&) = delete;

  // Pieces that may be in flight; Push must not be called when InFlight()
  // has reached it (Pop first).
  size_t Window() const { return FSlots.size(); }
  size_t InFlight() const { return FTail - FHead; }
  // Takes Piece (moved from; 1..kMaxBlockSize bytes) as the next piece.
  void Push(std::vector<uint8_t>& Piece);
  // Waits for the oldest piece's block and moves it into Block. Must only be
  // called when InFlight() > 0.
  void Pop(TDataBlock& Block);

 private:
  struct Slot {
    std::vector<uint8_t> Piece;
    TDataBlock Block;
    bool Done = false;
  };
  void Work();
  // True when the oldest piece and the ones after it, up to half the window
  // or the last in flight, are compressed. With FLock held.
  bool BatchReady() const;

  int FLevel;
  std::vector<Slot> FSlots;
  // Sequence numbers: FHead = next to pop, FClaimed = next to compress,
  // FTail = next to push. Slot of sequence s is s % Window().
  uint64_t FHead = 0, FClaimed = 0, FTail = 0;
  bool FStop = false;
  bool FCallerWaiting = false;  // Pop is waiting for BatchReady
  std::mutex FLock;
  std::condition_variable FWorkReady, FBlockReady;
  std::vector<std::thread> FWorkers;
  TPieceDeflater FInline;  // used when there are no workers
};

}  // namespace archive
