// Feeds arbitrary bytes to the check that runs before an install: it must
// never crash or hang, and its answer must not depend on the number of
// inflating threads.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/archive_verify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<uint8_t> bytes(Data, Data + Size);
  TMemoryStream one(bytes), three(bytes);
  archive::TArchiveCheck a = archive::VerifyArchive(one, 1);
  archive::TArchiveCheck b = archive::VerifyArchive(three, 3);
  if (a.Sound != b.Sound || a.Blocks != b.Blocks || a.StoredBlocks != b.StoredBlocks ||
      a.DamagedEntry != b.DamagedEntry || a.Why != b.Why)
    std::abort();
  return 0;
}
