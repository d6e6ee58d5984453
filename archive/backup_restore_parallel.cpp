// The restore of a long file's remaining blocks on several threads. The
// caller's thread reads block records ahead, workers decompress them, and
// the caller takes the results in archive order: writes them, raises the
// events and stops exactly where the restore one block at a time would.
#include <exception>
#include <memory>
#include <vector>

#include "archive/backup.h"
#include "archive/block_pipeline.h"
#include "archive/block_records.h"

void TBackupFile::CopyBlocksInParallel(archive::BlockRecordReader& Records, TStream& Destination, int Threads) {
  // One set of workers serves every long file of the run; a pipeline left
  // with blocks of a file that stopped early is not reused.
  if (!FRestorePipeline || FRestorePipeline->InFlight() > 0)
    FRestorePipeline = std::make_unique<archive::TBlockPipeline>(
        [] { return std::make_unique<archive::TRecordInflater>(false); }, Threads, ThreadStarter);
  archive::TBlockPipeline& pipeline = *FRestorePipeline;
  // What ends the reading ahead: the terminator, or a failure that is raised
  // only when every block before it has been taken, as it would be when
  // read one block at a time.
  bool terminatorRead = false;
  std::exception_ptr readFailure;
  std::vector<uint8_t> record;
  auto readAhead = [&] {
    while (!terminatorRead && !readFailure && pipeline.InFlight() < pipeline.Window()) {
      try {
        int32_t length = Records.NextLength();
        if (length == 0) {
          terminatorRead = true;
          break;
        }
        int32_t size = length > 0 ? length : -length;
        const unsigned char* bytes = Records.NextBlock(size);
        record.resize(4 + static_cast<size_t>(size));
        archive::StoreLE32(record.data(), static_cast<uint32_t>(length));
        std::memcpy(record.data() + 4, bytes, static_cast<size_t>(size));
        pipeline.Push(record);
      } catch (...) {
        readFailure = std::current_exception();
      }
    }
  };

  archive::TDataBlock result;
  for (;;) {
    readAhead();
    bool terminator = false;
    uint32_t produced = 0;
    if (pipeline.InFlight() > 0) {
      pipeline.Pop(result);
      if (result.Failed) {
        SetError(beCompressionError, FCurrentFileName);
        FContinueFlag = false;
      }
      produced = static_cast<uint32_t>(result.Bytes.size());
      // The bytes produced are written even after a zlib error.
      if (produced > 0) Destination.WriteBuffer(result.Bytes.data(), static_cast<int32_t>(produced));
    } else if (readFailure) {
      std::rethrow_exception(readFailure);
    } else {
      terminator = true;
    }
    AfterBlockRecord(true, produced);
    if (terminator || !FContinueFlag) return;
  }
}
