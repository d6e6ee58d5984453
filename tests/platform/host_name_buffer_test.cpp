// The own host name is cut at the buffer's end when the system leaves it
// without a terminating zero, and the registry's raw reads give the stored
// bytes or nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/host/host_registry.h"
#include "platform/sockets.h"

namespace {

TEST(HostNameBufferTest, TextStopsAtTheFirstZeroOrTheBufferEnd) {
  struct Case {
    std::string Bytes;  // the buffer's whole content
    std::string Text;
  };
  const Case cases[] = {
      {std::string("vm\0garbage", 10), "vm"},
      {std::string(64, 'a'), std::string(64, 'a')},  // unterminated: never read past the end
      {std::string(64, '\0'), ""},
      {std::string("x") + std::string(63, '\0'), "x"},
  };
  for (const Case& c : cases) {
    // A buffer followed by more non-zero bytes, as on a stack.
    char memory[128];
    std::memset(memory, 'z', sizeof memory);
    std::memcpy(memory, c.Bytes.data(), c.Bytes.size());
    EXPECT_EQ(platform::TerminatedText(memory, c.Bytes.size()), c.Text);
  }
}

TEST(HostRegistryBytesTest, ReadBytesGivesTheStoredDataWithinTheLimit) {
  platform::HostRegistry registry;
  auto key = registry.OpenKey(platform::RootKey::LocalMachine, "Prova", true);
  key->WriteString("s", "1");
  key->WriteInteger("n", 0x04030201);
  key->WriteString("long", "12345678");
  struct Case {
    const char* Name;
    size_t Max;
    std::optional<std::string> Bytes;
  };
  const Case cases[] = {
      {"s", 9, std::string("1\0", 2)}, {"n", 4, std::string("\x01\x02\x03\x04")},
      {"n", 3, std::nullopt},          {"long", 9, std::string("12345678\0", 9)},
      {"long", 8, std::nullopt},       {"missing", 9, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(key->ReadBytes(c.Name, c.Max), c.Bytes) << c.Name << " " << c.Max;
}

}  // namespace
