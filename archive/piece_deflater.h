// Compression of the pieces of a file into data blocks, in its own unit so
// that a program that only restores does not carry zlib's compressor.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive/block_pipeline.h"

namespace archive {

// Makes the data block records of one piece (at most kMaxBlockSize bytes).
// ZlibLevel 1..9 compresses with window bits 15, memory level 8 and the
// default strategy, one complete zlib stream per piece. A piece whose stream
// is not smaller than itself is written as a zlib stream of deflate's stored
// blocks instead (level 0), so that every block carries an Adler-32; when
// that stream would be longer than a block may be (a piece over 16373
// bytes), each half of the piece gets its own stream: two records.
// ZlibLevel 0 writes every piece as one stored (unchecked) record. The
// deflate states are kept and reset for each piece, which gives the bytes of
// a fresh stream. Not shared between threads: one deflater per thread.
class TPieceDeflater : public TBlockTransform {
 public:
  explicit TPieceDeflater(int ZlibLevel);
  ~TPieceDeflater() override;
  TPieceDeflater(const TPieceDeflater&) = delete;
  TPieceDeflater& operator=(const TPieceDeflater&) = delete;
  // Fills Block with one or two records (int32 length, bytes) for Piece
  // (Size bytes, 1..kMaxBlockSize). On a zlib error Block.Failed is set and
  // Block.Bytes is empty.
  void Make(const uint8_t* Piece, size_t Size, TDataBlock& Block) override;

 private:
  class TZlibDeflater;  // keeps zlib's z_stream out of this header
  // Appends Piece as zlib streams of stored deflate blocks, each at most
  // kMaxBlockSize bytes. False on a zlib error.
  bool AppendStoredStreams(const uint8_t* Piece, size_t Size, TDataBlock& Block);

  int FLevel;
  std::unique_ptr<TZlibDeflater> FCompressing, FStoring;
  std::vector<uint8_t> FOut;
};

// Compression of pieces at a zlib level (0: stored) on Threads threads.
class TDeflatePipeline : public TBlockPipeline {
 public:
  TDeflatePipeline(int ZlibLevel, int Threads, const TThreadStarter& StartThread = {})
      : TBlockPipeline([ZlibLevel] { return std::make_unique<TPieceDeflater>(ZlibLevel); }, Threads, StartThread) {}
};

}  // namespace archive
