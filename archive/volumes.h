// The names of a multi-volume archive's parts, shared by the reader, the
// writer and the tool: the file name of volume N and the continuation
// marker that leads to it.
#pragma once

#include <string>

namespace archive {

// Largest volume number a continuation marker can name (three digits).
inline constexpr int kMaxVolumeNumber = 999;

// Name of volume Number (2..999) of ArchiveName: its extension (the text
// after the last '.' of the last path part, parts split at '\', '/' or ':')
// replaced by "." and three digits, or the three digits appended after a '.'
// when the last part has no extension. c:\d.x\arc gives c:\d.x\arc.002.
std::string VolumeFileName(const std::string& ArchiveName, int Number);

// True when some volume 2..999 of ArchiveName would be ArchiveName's own
// file (the same FileNameKey on the host's name system), as for an archive
// named x.002: writing its volumes would overwrite the archive.
bool VolumeNameClashes(const std::string& ArchiveName);

// The continuation marker that leads to volume Number: "NEXT:DISK" and three
// digits with leading zeros.
std::string ContinuationMarker(int Number);

// True when Name is read as a continuation marker: its first nine bytes are
// "NEXT:DISK", whatever follows.
bool IsContinuationMarker(const std::string& Name);

// The volume a continuation marker read in volume CurrentVolume (1 for the
// first) leads to, or -1 for a marker that is not exactly "NEXT:DISK" and
// three digits, or that names no later volume: a marker naming the current
// or an earlier volume would make a reader go round for ever.
int NextVolumeNumber(const std::string& Marker, int CurrentVolume);

}  // namespace archive
