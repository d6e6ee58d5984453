#include "archive/payload.h"

#include <vector>

#include "archive/format.h"
#include "runtime/exceptions.h"

namespace archive {

namespace {

// Offsets inside the PE headers.
constexpr int64_t kDosNewHeaderOffset = 0x3C;     // e_lfanew: where "PE\0\0" starts
constexpr int64_t kCoffHeaderSize = 20;           // after the 4-byte signature
constexpr int64_t kOptionalHeaderSizeField = 16;  // in the COFF header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr int64_t kPe32DirectoryCountOffset = 92;  // NumberOfRvaAndSizes in the optional header
constexpr int64_t kPe32PlusDirectoryCountOffset = 108;
constexpr uint32_t kSecurityDirectory = 4;
constexpr int64_t kDirectoryEntrySize = 8;  // address, size

// Exactly Count bytes at Offset, or false.
bool ReadAt(TStream& S, int64_t Offset, void* Buffer, int32_t Count) {
  if (Offset < 0 || S.Seek(Offset, TSeekOrigin::soBeginning) != Offset) return false;
  try {
    S.ReadBuffer(Buffer, Count);
    return true;
  } catch (const EReadError&) {
    return false;
  }
}

bool ReadU16(TStream& S, int64_t Offset, uint32_t& Value) {
  unsigned char b[2];
  if (!ReadAt(S, Offset, b, 2)) return false;
  Value = uint32_t(b[0]) | uint32_t(b[1]) << 8;
  return true;
}

bool ReadU32(TStream& S, int64_t Offset, uint32_t& Value) {
  unsigned char b[4];
  if (!ReadAt(S, Offset, b, 4)) return false;
  Value = LoadLE32(b);
  return true;
}

// The offset of the "PE\0\0" signature that the DOS header of Stream
// names, or -1 when Stream does not start with such a header.
int64_t PeSignatureOffset(TStream& Stream) {
  unsigned char mz[2];
  if (!ReadAt(Stream, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return -1;
  uint32_t peOffset;
  if (!ReadU32(Stream, kDosNewHeaderOffset, peOffset)) return -1;
  unsigned char signature[4];
  if (!ReadAt(Stream, peOffset, signature, 4) || signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 ||
      signature[3] != 0)
    return -1;
  return peOffset;
}

}  // namespace

bool IsPortableExecutable(TStream& Stream) { return PeSignatureOffset(Stream) >= 0; }

int64_t FindCertificateTable(TStream& Executable) {
  int64_t size = Executable.Size();
  int64_t peOffset = size < 0 ? -1 : PeSignatureOffset(Executable);
  if (peOffset < 0) return -1;
  int64_t coff = peOffset + 4;
  int64_t optional = coff + kCoffHeaderSize;
  uint32_t optionalSize, magic;
  if (!ReadU16(Executable, coff + kOptionalHeaderSizeField, optionalSize) || !ReadU16(Executable, optional, magic))
    return -1;
  int64_t countOffset;
  if (magic == kPe32Magic)
    countOffset = kPe32DirectoryCountOffset;
  else if (magic == kPe32PlusMagic)
    countOffset = kPe32PlusDirectoryCountOffset;
  else
    return -1;
  uint32_t directoryCount;
  if (!ReadU32(Executable, optional + countOffset, directoryCount) || directoryCount <= kSecurityDirectory) return -1;
  int64_t entry = countOffset + 4 + kSecurityDirectory * kDirectoryEntrySize;
  if (entry + kDirectoryEntrySize > int64_t(optionalSize)) return -1;
  uint32_t tableOffset, tableSize;
  if (!ReadU32(Executable, optional + entry, tableOffset) || !ReadU32(Executable, optional + entry + 4, tableSize))
    return -1;
  // Only a table that closes the file moves the trailer: anything appended
  // behind it would have to hold the trailer itself.
  if (tableOffset == 0 || tableSize == 0 || int64_t(tableOffset) + int64_t(tableSize) != size) return -1;
  if (int64_t(tableOffset) < int64_t(kTrailerSize)) return -1;
  return tableOffset;
}

PayloadLocation LocatePayload(TStream& Executable) {
  PayloadLocation location;
  location.CertificateTable = FindCertificateTable(Executable);
  int64_t end = location.Signed() ? location.CertificateTable : Executable.Size();
  if (end < int64_t(kTrailerSize)) throw EReadError("Stream read error");
  location.ArchiveEnd = end - int64_t(kTrailerSize);
  unsigned char trailer[kTrailerSize];
  if (!ReadAt(Executable, location.ArchiveEnd, trailer, int32_t(kTrailerSize))) throw EReadError("Stream read error");
  location.ArchiveStart = LoadLE32(trailer);
  if (Executable.Seek(location.ArchiveStart, TSeekOrigin::soBeginning) != location.ArchiveStart)
    throw EReadError("Stream read error");
  return location;
}

bool FindArchiveStart(TStream& Stream, int64_t& Start) {
  // Only a real executable carries a trailer: an archive whose title is
  // 23117 bytes long starts with "MZ" too (its length field 4D 5A 00 00).
  if (Stream.Size() < 2 || !IsPortableExecutable(Stream)) {
    Start = 0;
    return true;
  }
  try {
    PayloadLocation where = LocatePayload(Stream);
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
  return (8 - (StubSize + ArchiveSize + int64_t(kTrailerSize)) % 8) % 8;
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
  unsigned char trailer[kTrailerSize];
  StoreLE32(trailer, uint32_t(start));
  Out.WriteBuffer(trailer, int32_t(kTrailerSize));
}

PayloadLocation ReadPayloadInfo(TStream& Executable, TBackupFile& BackupFile, TStringList* List, std::string& Title) {
  PayloadLocation location = LocatePayload(Executable);
  BackupFile.ReadArchiveInfoFromStream(&Executable, List, Title);
  return location;
}

}  // namespace archive
