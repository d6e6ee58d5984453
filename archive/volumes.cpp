#include "archive/volumes.h"

#include <cstdint>
#include <cstdlib>

#include "archive/format.h"
#include "runtime/name_rule.h"
#include "runtime/windows_path.h"

namespace archive {

namespace {

// Number as "%03d" writes it: at least three characters, zeros after the
// sign. Written out here: the formatted-output library would be the largest
// single piece of the installer's image.
std::string ThreeDigits(int Number) {
  std::string digits = std::to_string(std::llabs(int64_t(Number)));
  const size_t width = Number < 0 ? 2 : 3;
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return Number < 0 ? "-" + digits : digits;
}

}  // namespace

std::string VolumeFileName(const std::string& ArchiveName, int Number) {
  const std::string digits = ThreeDigits(Number);
  const size_t partStart = ArchiveName.size() - FileNamePart(ArchiveName).size();
  size_t dot = ArchiveName.rfind('.');
  if (dot == std::string::npos || dot < partStart) return ArchiveName + "." + digits;
  return ArchiveName.substr(0, dot) + "." + digits;
}

bool VolumeNameClashes(const std::string& ArchiveName) {
  const std::string archiveKey = FileNameKey(ArchiveName, HostNameSystem());
  for (int number = 2; number <= kMaxVolumeNumber; ++number)
    if (FileNameKey(VolumeFileName(ArchiveName, number), HostNameSystem()) == archiveKey) return true;
  return false;
}

std::string ContinuationMarker(int Number) { return std::string(kNextDiskPrefix) + ThreeDigits(Number); }

bool IsContinuationMarker(const std::string& Name) {
  return Name.compare(0, kNextDiskPrefix.size(), kNextDiskPrefix) == 0;
}

int NextVolumeNumber(const std::string& Marker, int CurrentVolume) {
  if (Marker.size() != size_t(kNextDiskNameLength) || !IsContinuationMarker(Marker)) return -1;
  int number = 0;
  for (size_t i = kNextDiskPrefix.size(); i < Marker.size(); ++i) {
    if (Marker[i] < '0' || Marker[i] > '9') return -1;
    number = number * 10 + (Marker[i] - '0');
  }
  return number > CurrentVolume && number <= kMaxVolumeNumber ? number : -1;
}

}  // namespace archive
