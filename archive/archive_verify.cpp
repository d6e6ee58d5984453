#include "archive/archive_verify.h"

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "archive/block_records.h"
#include "archive/format.h"
#include "archive/record_reader.h"
#include "platform/threads.h"
#include "runtime/exceptions.h"
#include "runtime/stringlist.h"

namespace archive {

namespace {

// The structure cannot be followed further.
struct EBrokenArchive {
  std::string Why;
};

struct TEntry {
  std::string Name;
  int64_t Size = 0;
};

// Walks the records and feeds the blocks through the pipeline; the caller's
// thread reads while the workers inflate.
class TArchiveVerifier {
 public:
  TArchiveVerifier(TStream& Source, int Threads, const TThreadStarter& StartThread)
      : FReader(Source), FPipeline([] { return std::make_unique<TRecordInflater>(true); }, Threads, StartThread) {}

  // Walks the archive; the first problem in archive order is the one
  // reported, whatever the number of threads: the blocks before a break in
  // the structure are all taken before the break is.
  void Run(TArchiveCheck& Result) {
    try {
      Walk(Result);
    } catch (...) {
      while (FPipeline.InFlight() > 0) TakeOne(Result);
      if (!Result.Why.empty()) return;
      throw;
    }
  }

 private:
  void Walk(TArchiveCheck& Result) {
    int32_t totalSize = FReader.ReadHeader().TotalSize;  // the file count: the list is compared instead
    for (;;) {
      TRecord record = FReader.NextRecord(1);
      if (record.Kind == rkEnd) break;
      if (record.Kind == rkContinuation) throw EBrokenArchive{"a continuation marker in a single-volume archive"};
      FEntries.push_back({record.Name, 0});
      ReadSection(Result);
    }
    while (FPipeline.InFlight() > 0) TakeOne(Result);
    if (Result.Why.empty()) CompareTotals(totalSize, Result);
  }

  void ReadSection(TArchiveCheck& Result) {
    FReader.BeginSection(FEntries.back().Name);
    std::vector<uint8_t> record;
    for (;;) {
      int32_t length = FReader.Blocks().NextLength();
      if (length == kBlockTerminator) return;
      int32_t size = length > 0 ? length : -length;
      const unsigned char* bytes = FReader.Blocks().NextBlock(size);
      record.resize(4 + static_cast<size_t>(size));
      StoreLE32(record.data(), static_cast<uint32_t>(length));
      std::memcpy(record.data() + 4, bytes, static_cast<size_t>(size));
      if (FPipeline.InFlight() == FPipeline.Window()) TakeOne(Result);
      FPipeline.Push(record);
      FEntryOfBlock.push_back(FEntries.size() - 1);
      ++Result.Blocks;
      if (length < 0) ++Result.StoredBlocks;
    }
  }

  // Takes the oldest block's result and adds it to its entry.
  void TakeOne(TArchiveCheck& Result) {
    FPipeline.Pop(FBlock);
    size_t index = FEntryOfBlock.front();
    FEntryOfBlock.pop_front();
    TEntry& entry = FEntries[index];
    entry.Size += static_cast<int64_t>(FBlock.Bytes.size());
    if (FBlock.Failed && Result.Why.empty()) {
      Result.DamagedEntry = entry.Name;
      Result.Why = "a damaged block";
    }
    if (index == 0 && entry.Name == kFileListName && FList.size() + FBlock.Bytes.size() <= kMaxFileListSize)
      FList.append(reinterpret_cast<const char*>(FBlock.Bytes.data()), FBlock.Bytes.size());
  }

  void CompareTotals(int32_t TotalSize, TArchiveCheck& Result) {
    int64_t total = 0;
    for (const TEntry& e : FEntries) total += e.Size;
    if (total != TotalSize) {
      Result.Why = "the header's total size does not match the entries";
      return;
    }
    bool hasList = !FEntries.empty() && FEntries[0].Name == kFileListName;
    if (!hasList) return;  // nothing to compare with
    if (FList.size() != static_cast<size_t>(FEntries[0].Size)) {
      Result.DamagedEntry = FEntries[0].Name;
      Result.Why = "the file list is too long";
      return;
    }
    size_t offset = 0;
    std::string_view line;
    for (size_t i = 1; i < FEntries.size(); ++i) {
      const TEntry& e = FEntries[i];
      TFileListLine parsed;
      if (!NextFileListLine(FList, offset, line)) {
        Result.DamagedEntry = FEntries[0].Name;
        Result.Why = "the file list does not name every entry";
        return;
      }
      if (!ParseFileListLine(line, parsed) || parsed.Name != e.Name || parsed.Size != e.Size) {
        Result.DamagedEntry = e.Name;
        Result.Why = "the file list says otherwise";
        return;
      }
    }
    if (NextFileListLine(FList, offset, line)) {
      Result.DamagedEntry = FEntries[0].Name;
      Result.Why = "the file list does not name every entry";
    }
  }

  TRecordReader FReader;
  TBlockPipeline FPipeline;
  TDataBlock FBlock;
  std::vector<TEntry> FEntries;
  std::deque<size_t> FEntryOfBlock;  // the entry of each block in flight
  std::string FList;
};

}  // namespace

TArchiveCheck VerifyArchive(TStream& Source, int Threads, const TThreadStarter& StartThread) {
  TArchiveCheck result;
  if (Threads <= 0) Threads = platform::ProcessorCount();
  // The verifier's reader holds a 16 KB block: on the heap, not the stack of
  // a background thread.
  auto verifier = std::make_unique<TArchiveVerifier>(Source, Threads, StartThread);
  try {
    verifier->Run(result);
  } catch (const EBrokenArchive& e) {
    result.Why = e.Why;
  } catch (const EArchiveFormat& e) {
    result.Why = e.Why();
  } catch (const Exception& e) {
    // A cut archive (EReadError) or a length over 16384 bytes.
    result.Why = "the archive cannot be read to its end (" + e.Message() + ")";
  }
  result.Sound = result.Why.empty();
  return result;
}

}  // namespace archive
