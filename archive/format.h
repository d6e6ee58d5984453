// The archive format, shared by the reader, the writer, the tool and the
// installer. All integers are 32-bit little-endian two's complement, except
// the payload trailer (unsigned 32-bit little-endian). No alignment, no padding.
//
//   archive   := header entry* end
//   header    := int32 titleLen, titleLen bytes title,
//                int32 totalSize (uncompressed bytes of all entries, file list included),
//                int32 fileCount (file entries, file list not counted)
//   entry     := int32 nameLen (> 0), nameLen bytes name, int32 dosDateTime, data
//              | int32 12, "NEXT:DISKnnn"            (continuation: volume ends here)
//              | int32 nameLen (< 0)                 (passed over by readers)
//   end       := int32 0
//   data      := "EC2\0", block*, int32 0            (block terminator)
//   block     := int32 len (> 0), len bytes: one complete zlib stream of <= 16384 bytes
//              | int32 len (< 0), -len bytes stored as they are (-len <= 16384)
//
// The first entry is the file list, named "FILE:LIST": one line per file entry,
// "name<TAB>dosDateTime=size<CR><LF>". A following volume starts with a data
// section continuing the entry before the marker, then entries as above.
//
// An installer executable is:  image, archive, uint32 archive start offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace archive {

// Largest block, compressed or stored, and the size of a writer's pieces.
inline constexpr int32_t kMaxBlockSize = 16384;
// Opens every data section: "EC2" and one zero byte.
inline constexpr unsigned char kDataSignature[4] = {0x45, 0x43, 0x32, 0x00};
inline constexpr std::string_view kDataSignatureText = "EC2";
// Name of the file-list entry (compared case-sensitively).
inline constexpr std::string_view kFileListName = "FILE:LIST";
// A name starting with this is a continuation marker; three digits follow.
inline constexpr std::string_view kNextDiskPrefix = "NEXT:DISK";
inline constexpr int32_t kNextDiskNameLength = 12;
// The int32 that ends the archive (in place of a name length) and a data section.
inline constexpr int32_t kEndMarker = 0;
inline constexpr int32_t kBlockTerminator = 0;
// The payload trailer at the very end of an installer.
inline constexpr size_t kTrailerSize = 4;
// zlib settings of every compressed block.
inline constexpr int kZlibWindowBits = 15;
inline constexpr int kZlibMemLevel = 8;

static_assert(sizeof(kDataSignature) == 4);
static_assert(kNextDiskPrefix.size() + 3 == kNextDiskNameLength);

inline uint32_t LoadLE32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreLE32(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace archive
