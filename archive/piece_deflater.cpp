#include "archive/piece_deflater.h"

#include <zlib.h>

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

}  // namespace archive
