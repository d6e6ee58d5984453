// Installers: an executable image, zero padding, a single-volume archive and
// the payload trailer (the archive's start offset, uint32 little-endian).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/streams.h"

namespace arc {

// Where the archive in Stream starts: 0 for a plain archive; for a Windows
// executable (it starts with "MZ") the offset in its payload trailer, found
// in the last 4 bytes or, when a certificate table was appended after the
// trailer by a code-signing tool, in the 4 bytes before that table. False
// when Stream is an executable without a sound trailer. The position of
// Stream is unspecified afterwards.
bool FindArchiveStart(TStream& Stream, int64_t& Start);

// Zero bytes to put between a stub of StubSize bytes and an archive of
// ArchiveSize bytes so that the finished installer's length (stub, padding,
// archive, trailer) is a multiple of 8.
int64_t InstallerPadding(int64_t StubSize, int64_t ArchiveSize);

// Writes Stub, the padding, Archive (both read from their start) and the
// trailer to Out. Throws EStreamError on a read or write failure, Exception
// when the archive would start beyond 4 GB.
void WriteInstaller(TStream& Stub, TStream& Archive, TStream& Out);

}  // namespace arc
