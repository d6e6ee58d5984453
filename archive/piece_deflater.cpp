#include "archive/piece_deflater.h"

#include <zlib.h>

#include <cstring>

#include "archive/format.h"

namespace archive {

namespace {

void PutLength(uint8_t* At, int32_t Length) { StoreLE32(At, static_cast<uint32_t>(Length)); }

// Appends one data block record (length, then the bytes) to Block.
void AppendRecord(TDataBlock& Block, int32_t Length, const uint8_t* Bytes, size_t Size) {
  size_t at = Block.Bytes.size();
  Block.Bytes.resize(at + 4 + Size);
  PutLength(Block.Bytes.data() + at, Length);
  std::memcpy(Block.Bytes.data() + at + 4, Bytes, Size);
}

}  // namespace

// One deflate state at one level, reset for every piece.
class TPieceDeflater::TZlibDeflater {
 public:
  explicit TZlibDeflater(int Level) : FLevel(Level) {}
  ~TZlibDeflater() {
    if (FReady) deflateEnd(&FStream);
  }
  // Compresses Piece as one complete zlib stream into Out. False on a zlib
  // error (the state is then dropped and made afresh next time).
  bool Deflate(const uint8_t* Piece, size_t Size, std::vector<uint8_t>& Out) {
    int rc;
    if (!FReady) {
      FStream = z_stream{};
      rc = deflateInit2(&FStream, FLevel, Z_DEFLATED, kZlibWindowBits, kZlibMemLevel, Z_DEFAULT_STRATEGY);
      FReady = rc == Z_OK;
    } else {
      rc = deflateReset(&FStream);
    }
    if (rc != Z_OK) return false;
    Out.resize(deflateBound(&FStream, static_cast<uLong>(Size)));
    FStream.next_in = const_cast<Bytef*>(Piece);
    FStream.avail_in = static_cast<uInt>(Size);
    FStream.next_out = Out.data();
    FStream.avail_out = static_cast<uInt>(Out.size());
    if (deflate(&FStream, Z_FINISH) != Z_STREAM_END) {
      deflateEnd(&FStream);
      FReady = false;
      return false;
    }
    Out.resize(Out.size() - FStream.avail_out);
    return true;
  }

 private:
  int FLevel;
  z_stream FStream{};
  bool FReady = false;
};

TPieceDeflater::TPieceDeflater(int ZlibLevel) : FLevel(ZlibLevel) {}

TPieceDeflater::~TPieceDeflater() = default;

bool TPieceDeflater::AppendStoredStreams(const uint8_t* Piece, size_t Size, TDataBlock& Block) {
  if (!FStoring) FStoring = std::make_unique<TZlibDeflater>(0);
  if (!FStoring->Deflate(Piece, Size, FOut)) return false;
  if (FOut.size() <= static_cast<size_t>(kMaxBlockSize)) {
    AppendRecord(Block, static_cast<int32_t>(FOut.size()), FOut.data(), FOut.size());
    return true;
  }
  // The stream's own framing made it longer than a block may be: two halves.
  size_t first = (Size + 1) / 2;
  return AppendStoredStreams(Piece, first, Block) && AppendStoredStreams(Piece + first, Size - first, Block);
}

void TPieceDeflater::Make(const uint8_t* Piece, size_t Size, TDataBlock& Block) {
  Block.Failed = false;
  Block.Bytes.clear();
  if (FLevel <= 0) {
    AppendRecord(Block, -static_cast<int32_t>(Size), Piece, Size);
    return;
  }
  if (!FCompressing) FCompressing = std::make_unique<TZlibDeflater>(FLevel);
  bool ok = FCompressing->Deflate(Piece, Size, FOut);
  if (ok && FOut.size() < Size) {
    AppendRecord(Block, static_cast<int32_t>(FOut.size()), FOut.data(), FOut.size());
    return;
  }
  // A piece that does not shrink still gets its Adler-32: deflate's stored
  // blocks inside a zlib stream.
  if (ok && AppendStoredStreams(Piece, Size, Block)) return;
  Block.Failed = true;
  Block.Bytes.clear();
}

}  // namespace archive
