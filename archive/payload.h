// The archive that an installer executable carries behind its image: finding
// it, and writing an installer from a stub and an archive.
//
// The file is: image, archive, payload trailer (uint32 little-endian: the
// file offset of the archive's header). A code-signed installer has, behind
// all of that, the certificate table that its PE header's security directory
// names (data directory 4, whose address is a file offset). When such a table
// ends exactly at the end of the file, the trailer is read from the 4 bytes
// just before the table; otherwise from the file's last 4 bytes.
#pragma once

#include <cstdint>
#include <string>

#include "archive/backup.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace archive {

struct PayloadLocation {
  int64_t ArchiveStart = 0;       // the trailer's value: offset of the archive's first byte
  int64_t ArchiveEnd = 0;         // offset of the trailer: just past the archive's last byte
  int64_t CertificateTable = -1;  // offset of the certificate table behind the trailer, or -1

  bool Signed() const { return CertificateTable >= 0; }
  // True when the trailer points at or before itself, so that an archive can
  // lie between the two. A false value means the file carries no payload.
  bool Plausible() const { return ArchiveStart <= ArchiveEnd; }
};

// The offset of the certificate table that Executable's PE header names,
// when that table ends exactly at the end of the stream; -1 for a stream
// that is no PE image, has no such table, or has data behind it. Never
// raises for a malformed header (it counts as no table). The position of
// Executable is unspecified afterwards.
int64_t FindCertificateTable(TStream& Executable);

// Reads the payload trailer of Executable and leaves the stream positioned
// at ArchiveStart (which is not checked: a start beyond the end is left to
// the archive reader to report). Raises EReadError "Stream read error" when
// the stream is too short to hold a trailer or cannot be read.
PayloadLocation LocatePayload(TStream& Executable);

// True when Stream starts with a DOS header ("MZ") whose new-header offset
// points at a "PE\0\0" signature. The position is unspecified afterwards.
bool IsPortableExecutable(TStream& Stream);

// Where the archive in Stream starts: 0 for a plain archive; for a Windows
// executable (IsPortableExecutable) the offset in its payload trailer, found
// as LocatePayload does. False when Stream is an executable without a sound
// trailer. The position of Stream is unspecified afterwards.
bool FindArchiveStart(TStream& Stream, int64_t& Start);

// Zero bytes to put between a stub of StubSize bytes and an archive of
// ArchiveSize bytes so that the finished installer's length (stub, padding,
// archive, trailer) is a multiple of 8, so that a code-signing tool can
// append its certificate table without padding.
int64_t InstallerPadding(int64_t StubSize, int64_t ArchiveSize);

// Writes Stub, the padding, Archive (both read from their start) and the
// payload trailer to Out. Throws EStreamError on a read or write failure,
// Exception when the archive would start beyond 4 GB; Out then holds a
// partial installer, which the caller removes.
void WriteInstaller(TStream& Stub, TStream& Archive, TStream& Out);

// The installer's start-up reading: LocatePayload, then
// BackupFile.ReadArchiveInfoFromStream(&Executable, List, Title), which
// reports a damaged archive through BackupFile's error reporting and never
// raises. Exceptions of LocatePayload pass on. Executable stays the caller's;
// it is left after the archive's file-list entry.
PayloadLocation ReadPayloadInfo(TStream& Executable, TBackupFile& BackupFile, TStringList* List, std::string& Title);

}  // namespace archive
