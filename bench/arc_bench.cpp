// Measures, in one run, and prints as ratios:
//   1. restoring a payload against raw zlib inflating of the same blocks in
//      memory on one thread (throughput ratio, goal >= 0.9); the restore
//      as the installer runs it, and for comparison on one thread;
//   1b. the check of every block before an install run, against the restore
//      of the same payload (goal: restore with the check <= 1.15x without);
//   1c. velto-arc extract, which checks and restores in one walk, against
//      the restore alone (goal <= 1.15x);
//   2. creating an archive with two threads against one (speed-up, goal
//      >= 1.7 on two cores);
//   3. peak memory of restoring a 5 MB and a 500 MB payload, each in a fresh
//      child process (goal: within 10 %).
// Usage: arc_bench [--large-mb N] (default 500). Works in a temporary folder
// under $TMPDIR (or /tmp), removed at the end.
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_verify.h"
#include "archive/backup.h"
#include "archive/format.h"
#include "platform/host/host_dialogs.h"
#include "platform/host/host_filesystem.h"
#include "tools/arc_commands.h"
#include "tools/console.h"

namespace {

using Clock = std::chrono::steady_clock;

// Rounds of each comparison.
constexpr int kRounds = 7;

// The times of two things measured in turn, one pair per round. The ratio
// of each pair is taken in the same moment of the machine; the median of
// those ratios is what is reported, so that a round disturbed by the rest of
// the machine counts no more than any other.
struct Rounds {
  std::vector<double> A, B;
  double MedianRatio() const {
    std::vector<double> ratios;
    for (size_t i = 0; i < A.size(); ++i) ratios.push_back(A[i] / B[i]);
    std::sort(ratios.begin(), ratios.end());
    size_t n = ratios.size();
    return n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
  }
};

double Best(const std::vector<double>& Times) { return *std::min_element(Times.begin(), Times.end()); }

double Seconds(Clock::time_point From) { return std::chrono::duration<double>(Clock::now() - From).count(); }

// Processor time of this process so far (all threads), in seconds.
double CpuSeconds() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The system's load average over the last minute: the ratios need idle
// processors to mean anything.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string first;
  in >> first;
  return first.empty() ? "?" : first;
}

std::string Win(const std::string& HostPath) { return platform::HostFileSystem::WindowsPathOf(HostPath); }

// Writes Megabytes of real data to Path: the system's shared libraries,
// documentation and headers, in a fixed order starting at file Seed, over
// and over when there is less of it. Real data inflates as a payload does;
// generated noise would not.
void MakeData(const std::string& Path, int64_t Megabytes, uint32_t Seed) {
  static std::vector<std::string> files = [] {
    std::vector<std::string> found;
    for (const char* root : {"/usr/lib/x86_64-linux-gnu", "/usr/lib", "/usr/share/doc", "/usr/include"}) {
      std::error_code ec;
      for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
           !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec) && it->file_size(ec) > 0) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
  }();
  std::ofstream out(Path, std::ios::binary);
  const int64_t want = Megabytes << 20;
  int64_t written = 0;
  std::vector<char> buf(1 << 20);
  for (size_t i = Seed; written < want && !files.empty(); ++i) {
    std::ifstream in(files[i % files.size()], std::ios::binary);
    while (written < want) {
      in.read(buf.data(), std::streamsize(buf.size()));
      if (in.gcount() <= 0) break;
      std::streamsize n = std::min<std::streamsize>(in.gcount(), std::streamsize(want - written));
      out.write(buf.data(), n);
      written += n;
    }
  }
}

bool Backup(const std::string& Archive, const std::string& Source, int Threads) {
  platform::HostFileSystem files;
  platform::HostDialogs dialogs(platform::idOK);  // a box goes to stderr
  TBackupFile backup(nullptr, files, dialogs);
  backup.CompressionThreads = Threads;
  return backup.Backup(Win(Archive), {{Win(Source), "c:\\bench\\data.bin"}});
}

// Threads 0: one per processor, as the installer restores.
bool Restore(const std::string& Archive, const std::string& Dir, int Threads = 0) {
  platform::HostFileSystem files;
  platform::HostDialogs dialogs(platform::idOK);  // a box goes to stderr
  TBackupFile backup(nullptr, files, dialogs);
  backup.DecompressionThreads = Threads;
  return backup.Restore(Win(Archive), Win(Dir));
}

// velto-arc extract of Archive into Dir: the tool's one walk that checks
// every block and restores, putting the files in place at the end.
bool ToolExtract(const std::string& Archive, const std::string& Dir) {
  std::unique_ptr<arc::IConsole> console = arc::MakeConsole();
  std::ostringstream out, err;
  int status = arc::RunArc({"extract", Archive, "-q", "-d", Dir}, *console, out, err);
  if (status != 0) std::fprintf(stderr, "%s", err.str().c_str());
  return status == 0;
}

// Checks every block of Archive as the installer does before it writes
// (one inflating thread per processor).
bool Verify(const std::string& Archive) {
  platform::HostFileSystem files;
  std::unique_ptr<TFileStream> in = files.OpenFile(Win(Archive), fmOpenRead | fmShareDenyNone);
  return archive::VerifyArchive(*in, 0).Sound;
}

// The compressed blocks of the files of an archive, in order, read without
// the component.
std::vector<std::string> Blocks(const std::string& Archive) {
  std::ifstream in(Archive, std::ios::binary);
  std::string a((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto i32 = [&](size_t& p) {
    int32_t v = int32_t(archive::LoadLE32(reinterpret_cast<const unsigned char*>(a.data() + p)));
    p += 4;
    return v;
  };
  std::vector<std::string> blocks;
  size_t p = 0;
  p += size_t(i32(p));
  p += 8;
  for (;;) {
    int32_t nameLength = i32(p);
    if (nameLength == 0) break;
    // The file list is never restored: its blocks are not counted.
    bool list = a.compare(p, size_t(nameLength), archive::kFileListName.data(), archive::kFileListName.size()) == 0;
    p += size_t(nameLength) + 4 + 4;  // name, date/time, signature
    for (int32_t n; (n = i32(p)) != 0;) {
      if (n > 0 && !list) blocks.push_back(a.substr(p, size_t(n)));
      p += size_t(std::abs(n));
    }
  }
  return blocks;
}

// Inflates every block as the reader must, one fresh zlib stream per block,
// with the same zlib calls as the restore (one state, reset for each block),
// so that the ratio measures only what the restore adds.
int64_t InflateAll(const std::vector<std::string>& Blocks) {
  static unsigned char out[archive::kMaxBlockSize];
  int64_t total = 0;
  z_stream zs{};
  inflateInit2(&zs, archive::kZlibWindowBits);
  for (const std::string& b : Blocks) {
    inflateReset(&zs);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(b.data()));
    zs.avail_in = uInt(b.size());
    zs.next_out = out;
    zs.avail_out = sizeof out;
    inflate(&zs, Z_NO_FLUSH);
    total += int64_t(sizeof out - zs.avail_out);
  }
  inflateEnd(&zs);
  return total;
}

// Peak resident memory (KB) of this process since its program started:
// VmHWM of /proc/self/status (wait4's maxrss would also count the memory of
// the process that forked it, from before the exec).
long PeakKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Peak resident memory (KB) of a fresh process restoring Archive into Dir.
long ChildRestorePeakKb(const std::string& Self, const std::string& Archive, const std::string& Dir) {
  std::string cmd = "'" + Self + "' --restore-child '" + Archive + "' '" + Dir + "'";
  FILE* child = popen(cmd.c_str(), "r");
  if (!child) return -1;
  long kb = -1;
  if (std::fscanf(child, "%ld", &kb) != 1) kb = -1;
  return pclose(child) == 0 ? kb : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it is measured
  if (argc == 4 && std::strcmp(argv[1], "--restore-child") == 0) {
    bool ok = Restore(argv[2], argv[3]);
    std::printf("%ld\n", PeakKb());
    return ok ? 0 : 1;
  }
  int64_t largeMb = 500;
  if (argc == 3 && std::strcmp(argv[1], "--large-mb") == 0) largeMb = std::max(6, std::atoi(argv[2]));

  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/velto-bench-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  int status = 0;
  std::printf("load average at start: %s on %u processors\n", LoadAverage().c_str(),
              std::thread::hardware_concurrency());

  // 1. Restore against raw inflate of the same blocks.
  MakeData(dir + "/mid.bin", 64, 1);
  Backup(dir + "/mid.arc", dir + "/mid.bin", 2);
  std::vector<std::string> blocks = Blocks(dir + "/mid.arc");
  // The restore as the installer runs it (one decompressing thread per
  // processor), and for comparison with everything on one thread.
  Rounds inflate, inflateOne;  // A: raw inflate, B: restore
  for (int round = 0; round < kRounds; ++round) {
    for (Rounds* r : {&inflate, &inflateOne}) {
      auto t = Clock::now();
      int64_t bytes = InflateAll(blocks);
      r->A.push_back(Seconds(t));
      if (bytes != 64 << 20) std::fprintf(stderr, "inflated %lld bytes\n", static_cast<long long>(bytes));
      // Every round restores into an empty folder, as an installation does:
      // replacing the previous round's file would add the file system's
      // work of releasing it.
      std::filesystem::remove_all(dir + "/out");
      t = Clock::now();
      if (!Restore(dir + "/mid.arc", dir + "/out", r == &inflateOne ? 1 : 0)) status = 1;
      r->B.push_back(Seconds(t));
    }
  }
  std::printf(
      "restore vs raw inflate (64 MB, %zu blocks): best raw %.3f s, best restore %.3f s; "
      "throughput ratio %.2f (goal >= 0.90)\n",
      blocks.size(), Best(inflate.A), Best(inflate.B), inflate.MedianRatio());
  std::printf("  for comparison, restore on one thread: best %.3f s; throughput ratio %.2f (no goal)\n",
              Best(inflateOne.B), inflateOne.MedianRatio());

  // 1b. The check before the install run against the restore it precedes.
  Rounds check;  // A: check + restore, B: restore alone
  std::vector<double> checkTimes;
  for (int round = 0; round < kRounds; ++round) {
    std::filesystem::remove_all(dir + "/out");
    auto t = Clock::now();
    if (!Restore(dir + "/mid.arc", dir + "/out")) status = 1;
    check.B.push_back(Seconds(t));
    std::filesystem::remove_all(dir + "/out");
    t = Clock::now();
    if (!Verify(dir + "/mid.arc")) status = 1;
    double checked = Seconds(t);
    if (!Restore(dir + "/mid.arc", dir + "/out")) status = 1;
    check.A.push_back(Seconds(t));
    checkTimes.push_back(checked);
  }
  std::printf(
      "check before restore (64 MB): best check %.3f s, best restore %.3f s; restore with the check %.2fx "
      "the restore alone (goal <= 1.15; the installer checks in the background while the wizard is read)\n",
      Best(checkTimes), Best(check.B), check.MedianRatio());

  // 1c. The tool's extract: the check and the restore in one walk, against
  // the restore alone.
  Rounds tool;  // A: velto-arc extract, B: restore alone
  for (int round = 0; round < kRounds; ++round) {
    std::filesystem::remove_all(dir + "/out");
    auto t = Clock::now();
    if (!Restore(dir + "/mid.arc", dir + "/out")) status = 1;
    tool.B.push_back(Seconds(t));
    std::filesystem::remove_all(dir + "/out");
    t = Clock::now();
    if (!ToolExtract(dir + "/mid.arc", dir + "/out")) status = 1;
    tool.A.push_back(Seconds(t));
  }
  std::printf(
      "velto-arc extract (64 MB, checked and restored in one walk): best %.3f s, best restore alone %.3f s; "
      "%.2fx the restore alone (goal <= 1.15)\n",
      Best(tool.A), Best(tool.B), tool.MedianRatio());

  // 2. create -j 2 against -j 1.
  Rounds create;  // A: -j 2, B: -j 1
  double twoCpu = 0;
  for (int round = 0; round < kRounds; ++round) {
    // Each archive is written as a new file (see the restore above).
    std::filesystem::remove(dir + "/j1.arc");
    std::filesystem::remove(dir + "/j2.arc");
    auto t = Clock::now();
    if (!Backup(dir + "/j1.arc", dir + "/mid.bin", 1)) status = 1;
    create.B.push_back(Seconds(t));
    t = Clock::now();
    double cpu = CpuSeconds();
    if (!Backup(dir + "/j2.arc", dir + "/mid.bin", 2)) status = 1;
    create.A.push_back(Seconds(t));
    twoCpu += CpuSeconds() - cpu;
  }
  double twoTotal = 0;
  for (double s : create.A) twoTotal += s;
  std::printf(
      "create -j 2 vs -j 1 (64 MB): best %.3f s vs %.3f s; speed-up %.2f (goal >= 1.70); "
      "-j 2 used %.2f processors\n",
      Best(create.A), Best(create.B), 1.0 / create.MedianRatio(), twoCpu / twoTotal);
  std::filesystem::remove(dir + "/j1.arc");
  std::filesystem::remove(dir + "/j2.arc");
  std::filesystem::remove(dir + "/mid.arc");
  std::filesystem::remove_all(dir + "/out");
  std::filesystem::remove(dir + "/mid.bin");

  // 3. Peak memory of restoring a small and a large payload.
  MakeData(dir + "/small.bin", 5, 2);
  Backup(dir + "/small.arc", dir + "/small.bin", 2);
  std::filesystem::remove(dir + "/small.bin");
  MakeData(dir + "/large.bin", largeMb, 3);
  Backup(dir + "/large.arc", dir + "/large.bin", 2);
  std::filesystem::remove(dir + "/large.bin");
  long small = ChildRestorePeakKb(self, dir + "/small.arc", dir + "/small.out");
  auto t = Clock::now();
  long large = ChildRestorePeakKb(self, dir + "/large.arc", dir + "/large.out");
  double largeTime = Seconds(t);
  if (small <= 0 || large <= 0) status = 1;
  std::printf(
      "restore peak memory: 5 MB payload %ld KB, %lld MB payload %ld KB (%.1f s), ratio %.3f (goal within 10%%)\n",
      small, static_cast<long long>(largeMb), large, largeTime, small > 0 ? double(large) / double(small) : 0.0);

  std::printf("load average at end: %s\n", LoadAverage().c_str());
  std::filesystem::remove_all(dir);
  return status;
}
