// The connection detector under Wine: Winsock's own host name and resolver,
// the real registry's remote-access flag, and ticks from real window timers.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "net/inet_detector.h"
#include "platform/win32/win32_mail.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_ui.h"

namespace {

// Runs the thread's messages until Done or TimeoutMs have passed.
template <class F>
bool PumpUntil(F Done, DWORD TimeoutMs) {
  DWORD start = GetTickCount();
  while (!Done()) {
    if (GetTickCount() - start > TimeoutMs) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(5);
  }
  return true;
}

void DeleteFlagKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRemoteAccessKey); }

void SetFlag(DWORD Type, const std::string& Data) {
  HKEY key;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRemoteAccessKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegSetValueExA(key, kRemoteConnectionValue, 0, Type, reinterpret_cast<const BYTE*>(Data.data()),
                 static_cast<DWORD>(Data.size()));
  RegCloseKey(key);
}

// What Winsock itself says of the own host name: online when its last
// address is not the loopback address.
bool HostAddressSaysOnline() {
  platform::Win32Sockets sockets;
  sockets.Start();
  auto addresses = sockets.ResolveIPv4(sockets.OwnHostName());
  sockets.Stop();
  return addresses && !addresses->empty() && addresses->back() != "127.0.0.1";
}

TEST(Win32SocketsTest, OwnHostNameIsTheComputersAndResolvesThroughWinsock) {
  platform::Win32Sockets sockets;
  sockets.Start();
  std::string name = sockets.OwnHostName();
  char dnsName[256] = {};
  DWORD size = sizeof dnsName;
  ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsHostname, dnsName, &size));
  EXPECT_EQ(_stricmp(name.c_str(), dnsName), 0) << name << " / " << dnsName;
  auto local = sockets.ResolveIPv4("localhost");
  ASSERT_TRUE(local);
  EXPECT_EQ(local->back(), "127.0.0.1");
  EXPECT_FALSE(sockets.ResolveIPv4("no-such-host.invalid"));
  sockets.Stop();
}

TEST(Win32DetectorTest, TicksFromTheWindowTimerReadTheRemoteAccessFlag) {
  platform::Win32Timers timers;
  platform::Win32Sockets sockets;
  platform::Win32Registry registry;
  SetFlag(REG_DWORD, std::string("\x01\0\0\0", 4));
  int changes = 0;
  {
    TINetDetector detector(nullptr, timers, sockets, registry);
    detector.SetDispatchInterval(50);
    detector.OnChanged = [&](TObject*) { ++changes; };
    ASSERT_TRUE(PumpUntil([&] { return detector.Online(); }, 5000)) << "no tick made the detector online";
    EXPECT_GE(changes, 1);
    // A flag of 8 bytes cannot be read: the host address alone decides.
    SetFlag(REG_BINARY, std::string("\x01\x01\x01\x01\x01\x01\x01\x01", 8));
    detector.CheckConnection();
    EXPECT_EQ(detector.Online(), HostAddressSaysOnline());
    SetFlag(REG_DWORD, std::string("\x01\0\0\0", 4));
    detector.CheckConnection();
    EXPECT_TRUE(detector.Online());
    DeleteFlagKey();
    detector.CheckConnection();
    EXPECT_EQ(detector.Online(), HostAddressSaysOnline());
    // VELTO_EXPECT_OFFLINE: the run arranged a host name that resolves only
    // to the loopback address.
    if (std::getenv("VELTO_EXPECT_OFFLINE")) {
      EXPECT_FALSE(detector.Online());
    }
  }
  // Destroyed: its timer is gone, no tick runs any more.
  int before = changes;
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(changes, before);
}

}  // namespace
