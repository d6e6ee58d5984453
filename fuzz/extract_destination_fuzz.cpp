// Plants links, files and folders in a destination as the input says,
// extracts an archive of hostile names into it with velto-arc's options
// chosen by the input, and requires that nothing outside the destination
// changed and that no temporary file is left: a run may refuse entries, it
// may never write through a link or beside the destination.
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/arc_commands.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

class InputReader {
 public:
  InputReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
  uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FAt = 0;
};

// Pieces that names are made of: folders, separators, climbs, case twins,
// a NUL and a trailing dot.
const char* const kPieces[] = {"a", "b", "sub", "..", ".", "\\", "/", "x.txt", "X.TXT", "a.txt", "x.txt.", "c:\\"};
const std::string kNul("\0", 1);

std::string MakeName(InputReader& In) {
  std::string name = "c:\\";
  int parts = 1 + In.Byte() % 5;
  for (int i = 0; i < parts; ++i) {
    uint8_t b = In.Byte();
    name += b == 255 ? kNul : kPieces[b % (sizeof kPieces / sizeof *kPieces)];
  }
  return name;
}

void Int32(std::string& Out, int32_t V) {
  for (int i = 0; i < 4; ++i) Out += char(uint32_t(V) >> (8 * i));
}

// A sound archive of Files (name, content) with its file list.
std::string MakeArchive(const std::vector<std::pair<std::string, std::string>>& Files) {
  const int32_t date = 0x32C16000;
  std::string list;
  int64_t total = 0;
  for (const auto& [name, content] : Files) {
    list += name + "\t" + std::to_string(date) + "=" + std::to_string(content.size()) + "\r\n";
    total += int64_t(content.size());
  }
  total += int64_t(list.size());
  std::string out;
  Int32(out, 0);
  Int32(out, int32_t(total));
  Int32(out, int32_t(Files.size()));
  auto entry = [&](const std::string& Name, const std::string& Content) {
    Int32(out, int32_t(Name.size()));
    out += Name;
    Int32(out, date);
    out += std::string("EC2\0", 4);
    if (!Content.empty()) {
      uLongf size = compressBound(uLong(Content.size()));
      std::string z(size, '\0');
      compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(Content.data()),
                uLong(Content.size()), 1);
      Int32(out, int32_t(size));
      out += z.substr(0, size);
    }
    Int32(out, 0);
  };
  entry("FILE:LIST", list);
  for (const auto& [name, content] : Files) entry(name, content);
  Int32(out, 0);
  return out;
}

// Every name below Root with what it is: a file's bytes, a link's target.
std::map<std::string, std::string> Snapshot(const fs::path& Root) {
  std::map<std::string, std::string> seen;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(Root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::path& p = it->path();
    std::string what;
    if (it->is_symlink())
      what = "link " + fs::read_symlink(p).string();
    else if (it->is_directory())
      what = "folder";
    else {
      std::ifstream in(p, std::ios::binary);
      what = "file " + std::string(std::istreambuf_iterator<char>(in), {});
    }
    seen[p.lexically_relative(Root).string()] = what;
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const fs::path root = fs::temp_directory_path() / ("velto-extract-fuzz-" + std::to_string(getpid()));
  static std::unique_ptr<arc::IConsole> console = arc::MakeConsole();
  InputReader in(Data, Size);
  fs::remove_all(root);
  fs::create_directories(root / "outside");
  fs::create_directories(root / "dest");
  std::ofstream(root / "outside" / "keep.txt") << "keep";

  // What waits in the destination: links out of it, files, folders.
  int plants = in.Byte() % 4;
  for (int i = 0; i < plants; ++i) {
    uint8_t kind = in.Byte() % 4;
    fs::path at = root / "dest" / kPieces[in.Byte() % 3];
    if (in.Byte() % 2) at /= kPieces[7 + in.Byte() % 3];
    std::error_code ec;
    fs::create_directories(at.parent_path(), ec);
    if (kind == 0) fs::create_directory_symlink(root / "outside", at, ec);
    if (kind == 1) fs::create_symlink(root / "outside" / "keep.txt", at, ec);
    if (kind == 2) fs::create_directories(at, ec);
    if (kind == 3) std::ofstream(at) << "mine";
  }

  std::vector<std::pair<std::string, std::string>> files;
  int count = 1 + in.Byte() % 4;
  for (int i = 0; i < count; ++i) files.push_back({MakeName(in), std::string(in.Byte() % 40, char('A' + i))});
  std::ofstream(root / "x.arc", std::ios::binary) << MakeArchive(files);

  std::vector<std::string> args = {"extract", (root / "x.arc").string(), "-q", "-d", (root / "dest").string()};
  uint8_t flags = in.Byte();
  if (flags & 1) args.push_back("--full-path");
  if (flags & 2) args.push_back("--overwrite");
  static const char* const modes[] = {"all", "no-overwrite", "newer", "existing", "existing-newer"};
  args.push_back("--mode");
  args.push_back(modes[(flags >> 2) % 5]);

  const auto outsideBefore = Snapshot(root / "outside");
  std::ostringstream out, err;
  arc::RunArc(args, *console, out, err);
  if (Snapshot(root / "outside") != outsideBefore) abort();  // written through a link
  for (const auto& e : fs::directory_iterator(root)) {
    std::string name = e.path().filename().string();
    if (name != "outside" && name != "dest" && name != "x.arc") abort();  // written beside the destination
  }
  for (const auto& [name, what] : Snapshot(root / "dest"))
    if (name.find(".velto-") != std::string::npos) abort();  // a temporary file left behind
  return 0;
}
