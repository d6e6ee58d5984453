#include "tools/installer_image.h"

#include <vector>

#include "archive/format.h"
#include "runtime/exceptions.h"

namespace arc {

namespace {

bool ReadAt(TStream& S, int64_t Pos, void* Buffer, int32_t Count) {
  return S.Seek(Pos, TSeekOrigin::soBeginning) == Pos && S.Read(Buffer, Count) == Count;
}

uint32_t U32At(TStream& S, int64_t Pos, bool& Ok) {
  unsigned char b[4];
  if (!ReadAt(S, Pos, b, 4)) {
    Ok = false;
    return 0;
  }
  return archive::LoadLE32(b);
}

// The file offset of the certificate table when it lies at the end of the
// file (how a code-signing tool appends it); -1 when there is none.
int64_t CertificateTableStart(TStream& S, int64_t Size) {
  bool ok = true;
  uint32_t pe = U32At(S, 0x3C, ok);
  unsigned char sig[4];
  if (!ok || !ReadAt(S, pe, sig, 4) || sig[0] != 'P' || sig[1] != 'E' || sig[2] || sig[3]) return -1;
  int64_t optional = int64_t(pe) + 24;
  unsigned char magic[2];
  if (!ReadAt(S, optional, magic, 2)) return -1;
  int kind = magic[0] | magic[1] << 8;
  int64_t countAt = kind == 0x10B ? optional + 92 : kind == 0x20B ? optional + 108 : -1;
  if (countAt < 0) return -1;
  uint32_t count = U32At(S, countAt, ok);
  if (!ok || count <= 4) return -1;
  int64_t entry = countAt + 4 + 4 * 8;  // data directory 4: the certificate table
  uint32_t offset = U32At(S, entry, ok), size = U32At(S, entry + 4, ok);
  if (!ok || size == 0 || int64_t(offset) + int64_t(size) != Size) return -1;
  return offset;
}

}  // namespace

bool FindArchiveStart(TStream& Stream, int64_t& Start) {
  int64_t size = Stream.Size();
  unsigned char mz[2];
  if (size < 2 || !ReadAt(Stream, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') {
    Start = 0;
    return true;
  }
  int64_t end = CertificateTableStart(Stream, size);
  if (end < 0) end = size;
  bool ok = true;
  uint32_t offset = end >= 4 ? U32At(Stream, end - 4, ok) : 0;
  // The archive lies after the image's first bytes and before the trailer,
  // with room for at least a header.
  if (!ok || end < 4 || offset < 2 || int64_t(offset) + 12 > end - 4) return false;
  Start = offset;
  return true;
}

int64_t InstallerPadding(int64_t StubSize, int64_t ArchiveSize) {
  return (8 - (StubSize + ArchiveSize + int64_t(archive::kTrailerSize)) % 8) % 8;
}

void WriteInstaller(TStream& Stub, TStream& Archive, TStream& Out) {
  int64_t stubSize = Stub.Size(), archiveSize = Archive.Size();
  int64_t pad = InstallerPadding(stubSize, archiveSize);
  int64_t start = stubSize + pad;
  if (start > int64_t(UINT32_MAX)) throw Exception("The installer stub is larger than 4 GB");
  if (stubSize > 0) Out.CopyFrom(Stub, 0);
  std::vector<uint8_t> zeros(size_t(pad), 0);
  if (pad > 0) Out.WriteBuffer(zeros.data(), int32_t(pad));
  if (archiveSize > 0) Out.CopyFrom(Archive, 0);
  unsigned char trailer[4];
  archive::StoreLE32(trailer, uint32_t(start));
  Out.WriteBuffer(trailer, 4);
}

}  // namespace arc
