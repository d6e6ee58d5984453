#include "tools/installer_image.h"

#include <vector>

#include "archive/format.h"
#include "archive/payload.h"
#include "runtime/exceptions.h"

namespace arc {

namespace {

bool ReadAt(TStream& S, int64_t Pos, void* Buffer, int32_t Count) {
  return S.Seek(Pos, TSeekOrigin::soBeginning) == Pos && S.Read(Buffer, Count) == Count;
}

}  // namespace

bool FindArchiveStart(TStream& Stream, int64_t& Start) {
  unsigned char mz[2];
  if (Stream.Size() < 2 || !ReadAt(Stream, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') {
    Start = 0;
    return true;
  }
  try {
    archive::PayloadLocation where = archive::LocatePayload(Stream);
    // The archive lies after the image's first bytes and before the
    // trailer, with room for at least a header.
    if (!where.Plausible() || where.ArchiveStart < 2 || where.ArchiveStart + 12 > where.ArchiveEnd) return false;
    Start = where.ArchiveStart;
    return true;
  } catch (const EStreamError&) {
    return false;
  }
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
