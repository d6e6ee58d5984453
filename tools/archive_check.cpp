#include "tools/archive_check.h"

#include <cstring>
#include <deque>

#include "archive/block_pipeline.h"
#include "archive/block_records.h"
#include "archive/format.h"
#include "archive/record_reader.h"
#include "runtime/exceptions.h"

namespace arc {

namespace {

using archive::kFileListName;

// The structure cannot be followed any further.
struct EBroken {
  std::string Why;
};

// Tokens of the walk in archive order: an entry's start, one of its blocks
// (whose result the pipeline gives), its end. Begin and end tokens wait
// behind the blocks before them, so the sink sees everything in order.
struct TToken {
  enum TKind { kBegin, kBlock, kEnd } Kind;
  int Entry = -1;  // -1: the data of a continuation met before any entry
  std::string Name;
  int32_t DateTime = 0;
};

class TWalker {
 public:
  TWalker(TStream& Source, const TOpenVolume& OpenVolume, int Threads, IEntrySink* Sink, bool Inflate)
      : FBuffered(std::make_unique<TBufferedReadStream>(Source)),
        FReader(*FBuffered),
        FOpenVolume(OpenVolume),
        FSink(Sink),
        FInflate(Inflate) {
    if (Inflate)
      FPipeline = std::make_unique<archive::TBlockPipeline>(
          [] { return std::make_unique<archive::TRecordInflater>(true); }, Threads);
  }

  TCheckReport Run() {
    try {
      Walk();
    } catch (const EBroken& e) {
      Broken(e.Why);
    } catch (const archive::EArchiveFormat& e) {
      Broken(e.Why());
    } catch (const EReadError&) {
      Broken("the archive ends too early");
    } catch (const Exception& e) {
      Broken(e.Message());
    }
    if (!FReport.Broken.empty() || !FInflate) return FReport;
    CompareTotals();
    return FReport;
  }

 private:
  // The blocks read before a break are still checked, so that damage is
  // reported in archive order before the break.
  void Broken(const std::string& Why) {
    if (FPipeline) {
      FSink = nullptr;  // nothing more is handed out of a broken archive
      FWanted = false;
      Deliver(true);
      if (FCurrent >= 0 && !FDamage.empty()) RecordDamage();
    }
    FReport.Broken = Why;
  }

  void Walk() {
    archive::TArchiveHeader header;
    FReader.ReadHeader(header);
    FReport.Title = header.Title;
    FReport.TotalSize = header.TotalSize;
    FReport.FileCount = header.FileCount;
    if (FSink) FSink->Started(header.TotalSize);
    int volume = 1;
    for (;;) {
      archive::TRecord record = FReader.NextRecord(volume);
      if (record.Kind == archive::rkEnd) break;
      if (record.Kind == archive::rkContinuation) {
        if (record.NextVolume < 0) throw EBroken{"bad continuation marker " + record.Name};
        volume = record.NextVolume;
        std::string volumeName;
        TStream* next = FOpenVolume ? FOpenVolume(volume, volumeName) : nullptr;
        if (!next) {
          std::string shown = volumeName.empty() ? record.Name.substr(archive::kNextDiskPrefix.size()) : volumeName;
          FReport.MissingVolume = shown;
          throw EBroken{"volume " + shown + " is missing"};
        }
        // Records are read a few bytes at a time: through a buffer.
        FBuffered = std::make_unique<TBufferedReadStream>(*next);
        FReader.SetSource(*FBuffered);
        ++FReport.Volumes;
        bool continuesList = FEntries == 1 && FFirstIsList;
        if (ReadSection(FEntries - 1, FEntries == 0 ? "" : FLastName) > 0 && continuesList)
          throw EBroken{"the file list does not end inside the first volume"};
        continue;
      }
      if (FEntries > 0) Queue({TToken::kEnd, FEntries - 1, {}, 0});
      if (FEntries == 0) FFirstIsList = record.Name == kFileListName;
      FLastName = record.Name;
      if (!FInflate && !(FEntries == 0 && FFirstIsList)) ++FReport.Files;  // nothing is delivered: counted here
      Queue({TToken::kBegin, FEntries, record.Name, record.DateTime});
      ReadSection(FEntries++, record.Name);
    }
    if (FEntries > 0) Queue({TToken::kEnd, FEntries - 1, {}, 0});
    Deliver(true);
  }

  // Reads one data section of Entry; returns the number of its blocks.
  int ReadSection(int Entry, const std::string& Name) {
    FReader.BeginSection(Name);
    int blocks = 0;
    for (;; ++blocks) {
      int32_t length = FReader.Blocks().NextLength();
      if (length == archive::kBlockTerminator) return blocks;
      int32_t size = length > 0 ? length : -length;
      ++FReport.Blocks;
      if (length < 0) ++FReport.StoredBlocks;
      if (!FInflate) {
        FReader.SkipBlock(size);  // a cut archive: EReadError, "ends too early"
        continue;
      }
      const unsigned char* bytes = FReader.Blocks().NextBlock(size);
      FRecord.resize(4 + static_cast<size_t>(size));
      archive::StoreLE32(FRecord.data(), static_cast<uint32_t>(length));
      std::memcpy(FRecord.data() + 4, bytes, static_cast<size_t>(size));
      while (FPipeline->InFlight() == FPipeline->Window()) Deliver(false, true);
      FPipeline->Push(FRecord);
      Queue({TToken::kBlock, Entry, {}, 0});
    }
  }

  void Queue(TToken Token) {
    if (!FInflate) return;
    FTokens.push_back(std::move(Token));
    // Entries without blocks must not pile up behind a block in flight.
    Deliver(FTokens.size() > 4096);
  }

  // Delivers the tokens at the front: begin and end tokens at once, blocks
  // when their result is ready to be taken (with Wait, or OneBlock, always).
  void Deliver(bool Wait, bool OneBlock = false) {
    while (!FTokens.empty()) {
      TToken& token = FTokens.front();
      if (token.Kind == TToken::kBlock) {
        if (!Wait && !OneBlock) return;
        FPipeline->Pop(FBlock);
        Block(token.Entry);
        FTokens.pop_front();
        if (OneBlock) return;
        continue;
      }
      if (token.Kind == TToken::kBegin)
        Begin(token);
      else
        End();
      FTokens.pop_front();
    }
  }

  void Begin(const TToken& Token) {
    FCurrent = Token.Entry;
    FCurrentName = Token.Name;
    FSize = 0;
    FBlockOfEntry = 0;
    FDamage.clear();
    FIsList = Token.Entry == 0 && Token.Name == kFileListName;
    FWanted = FSink && !FIsList && FSink->BeginEntry(Token.Entry, Token.Name, Token.DateTime);
  }

  void Block(int Entry) {
    size_t produced = FBlock.Bytes.size();
    FBytesDone += static_cast<int64_t>(produced);
    if (Entry >= 0) {
      ++FBlockOfEntry;
      if (FBlock.Failed && FDamage.empty()) NoteDamage(FBlock.Why);
      FSize += static_cast<int64_t>(produced);
      if (FIsList) {
        if (FList.size() + produced <= archive::kMaxFileListSize)
          FList.append(reinterpret_cast<const char*>(FBlock.Bytes.data()), produced);
        else
          FListTooLong = true;
      }
      if (FWanted && produced > 0) FSink->EntryBytes(FBlock.Bytes.data(), produced);
    }
    if (FSink) FSink->Progress(FBytesDone);
  }

  void NoteDamage(const std::string& Why) { FDamage = "block " + std::to_string(FBlockOfEntry) + ": " + Why; }

  void RecordDamage() {
    FReport.Damaged.push_back(FCurrentName + ": " + FDamage);
    FReport.DamagedEntries.push_back(FCurrent);
    FReport.DamagedNames.push_back(FCurrentName);
  }

  void End() {
    FTotal += FSize;
    if (!FDamage.empty()) RecordDamage();
    if (FIsList) {
      FListUsable = FDamage.empty() && !FListTooLong;
      if (FListTooLong) {
        FReport.Damaged.push_back("(file list): longer than " + std::to_string(archive::kMaxFileListSize) + " bytes");
        FReport.DamagedEntries.push_back(0);
        FReport.DamagedNames.push_back(FCurrentName);
      }
    } else {
      ++FReport.Files;
      CompareWithList();
    }
    if (FWanted) FSink->EndEntry(FDamage);
    FCurrent = -1;
    FWanted = false;
  }

  // The file list's line for the entry just ended must name it with its size.
  void CompareWithList() {
    if (!FListUsable) return;
    std::string_view line;
    archive::TFileListLine parsed;
    if (!archive::NextFileListLine(FList, FListOffset, line)) {
      ++FListShort;
      return;
    }
    ++FListLines;
    if (!archive::ParseFileListLine(line, parsed) || parsed.Name != FCurrentName || parsed.Size != FSize) {
      FReport.Damaged.push_back(FCurrentName + ": the file list says otherwise (" + std::string(line) + ")");
      if (FDamage.empty()) {
        FReport.DamagedEntries.push_back(FCurrent);
        FReport.DamagedNames.push_back(FCurrentName);
      }
    }
  }

  void CompareTotals() {
    if (FTotal != FReport.TotalSize)
      FReport.Damaged.push_back("(header): total size " + std::to_string(FReport.TotalSize) + ", entries hold " +
                                std::to_string(FTotal));
    if (FReport.Files != FReport.FileCount)
      FReport.Damaged.push_back("(header): file count " + std::to_string(FReport.FileCount) + ", entries " +
                                std::to_string(FReport.Files));
    if (!FListUsable) return;
    std::string_view line;
    int extra = 0;
    while (archive::NextFileListLine(FList, FListOffset, line)) ++extra;
    if (FListShort > 0 || extra > 0)
      FReport.Damaged.push_back("(file list): " + std::to_string(FListLines + extra) + " lines for " +
                                std::to_string(FReport.Files) + " files");
  }

  std::unique_ptr<TBufferedReadStream> FBuffered;
  archive::TRecordReader FReader;
  const TOpenVolume& FOpenVolume;
  IEntrySink* FSink;
  bool FInflate;
  std::unique_ptr<archive::TBlockPipeline> FPipeline;
  std::deque<TToken> FTokens;
  std::vector<uint8_t> FRecord;
  archive::TDataBlock FBlock;
  TCheckReport FReport;
  // Reading side.
  int FEntries = 0;
  bool FFirstIsList = false;
  std::string FLastName;
  // Delivering side: the current entry.
  int FCurrent = -1;
  std::string FCurrentName;
  int64_t FSize = 0;
  int FBlockOfEntry = 0;
  std::string FDamage;
  bool FIsList = false, FWanted = false;
  int64_t FTotal = 0, FBytesDone = 0;
  // The file list, compared line by line as the entries end.
  std::string FList;
  bool FListTooLong = false, FListUsable = false;
  size_t FListOffset = 0;
  int FListLines = 0, FListShort = 0;
};

}  // namespace

TCheckReport WalkArchive(TStream& Source, const TOpenVolume& OpenVolume, int Threads, IEntrySink* Sink) {
  return TWalker(Source, OpenVolume, Threads < 1 ? 1 : Threads, Sink, true).Run();
}

TCheckReport CheckArchive(TStream& Source, const TOpenVolume& OpenVolume, int Threads) {
  return WalkArchive(Source, OpenVolume, Threads, nullptr);
}

TCheckReport ScanArchive(TStream& Source, const TOpenVolume& OpenVolume) {
  return TWalker(Source, OpenVolume, 1, nullptr, false).Run();
}

}  // namespace arc
