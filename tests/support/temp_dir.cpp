#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("velto-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      FPath = candidate.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::string ReadFile(const std::string& HostPath) {
  std::ifstream in(HostPath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + HostPath);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& HostPath, const std::string& Bytes) {
  std::ofstream out(HostPath, std::ios::binary | std::ios::trunc);
  out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + HostPath);
}

}  // namespace testsupport
