// TINetDetector on the host timers with a scripted resolver and the test
// registry: the events of each combination of probe answers and flag outcome,
// the timer's life, and exceptions inside a tick.
#include "net/inet_detector.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/host/host_mail.h"
#include "platform/host/host_ui.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_sockets.h"
#include "ui/application.h"
#include "ui/headless_peer.h"

namespace {

using Addresses = testsupport::FakeSockets::Addresses;
const Addresses kOnline = std::vector<std::string>{"192.168.1.5"};
const Addresses kLoopback = std::vector<std::string>{"127.0.0.1"};
const Addresses kUnresolved = std::nullopt;

// The remote-access flag as the registry holds it.
enum class Flag { KeyMissing, ValueMissing, ByteOne, ByteZero, EightBytes, StringOne };

class DetectorTest : public ::testing::Test {
 protected:
  // The dial-up key as a standard user meets it: it can be read, but not
  // opened with full access.
  DetectorTest() : sockets(hostSockets) {
    registry.ReadOnly.insert("system\\currentcontrolset\\services\\remoteaccess");
  }

  // Sets the flag as F says, after removing what an earlier case left.
  void SetFlag(Flag F) {
    const auto root = platform::RootKey::LocalMachine;
    registry.DeleteKey(root, kRemoteAccessKey);
    if (F == Flag::KeyMissing) return;
    registry.MakeKey(root, kRemoteAccessKey);
    if (F == Flag::ByteOne) registry.SetNumber(root, kRemoteAccessKey, kRemoteConnectionValue, 1);
    if (F == Flag::ByteZero) registry.SetNumber(root, kRemoteAccessKey, kRemoteConnectionValue, 0x100);
    if (F == Flag::EightBytes) registry.SetString(root, kRemoteAccessKey, kRemoteConnectionValue, "\x01xxxxxx");
    if (F == Flag::StringOne) registry.SetString(root, kRemoteAccessKey, kRemoteConnectionValue, "1");
  }

  std::unique_ptr<TINetDetector> Make() {
    auto d = std::make_unique<TINetDetector>(nullptr, timers, sockets, registry);
    d->OnChanged = [this, raw = d.get()](TObject* Sender) {
      EXPECT_EQ(Sender, raw);
      events.push_back(raw->Online());
    };
    return d;
  }

  platform::HostTimers timers;
  platform::HostSockets hostSockets;
  testsupport::FakeSockets sockets;
  testsupport::FakeRegistry registry;
  std::vector<bool> events;  // Online at each OnChanged
};

TEST_F(DetectorTest, TickRaisesZeroOneOrTwoEventsAgainstTheValueAtItsStart) {
  struct Case {
    const char* Name;
    bool StartOnline;
    std::vector<Addresses> Probes;  // the answers of the tick's probes
    Flag F;
    std::vector<bool> Events;
    bool End;
  };
  const Case cases[] = {
      {"off, probe on, key missing: two events", false, {kOnline, kOnline}, Flag::KeyMissing, {true, true}, true},
      {"off, probes on then off", false, {kOnline, kLoopback}, Flag::KeyMissing, {true}, false},
      {"off, probes off then on", false, {kUnresolved, kOnline}, Flag::KeyMissing, {true}, true},
      {"off, unresolved, key missing", false, {kUnresolved, kUnresolved}, Flag::KeyMissing, {}, false},
      {"on, probe off, flag byte 1: one event", true, {kLoopback}, Flag::ByteOne, {false}, true},
      {"off, probe off, flag byte 1", false, {kLoopback}, Flag::ByteOne, {true}, true},
      {"off, probe on, flag byte 0", false, {kOnline}, Flag::ByteZero, {true, true}, true},
      {"on, probe off, flag byte 0", true, {kLoopback}, Flag::ByteZero, {false, false}, false},
      {"flag text 1 is not byte 1", false, {kLoopback}, Flag::StringOne, {}, false},
      {"off, flag of 8 bytes: second probe decides", false, {kLoopback, kOnline}, Flag::EightBytes, {true}, true},
      {"off, value missing: second probe decides", false, {kOnline, kLoopback}, Flag::ValueMissing, {true}, false},
      {"on, both probes on", true, {kOnline, kOnline}, Flag::KeyMissing, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetFlag(c.F);
    auto d = Make();
    if (c.StartOnline) {
      // Reach Online True through a tick of its own.
      SetFlag(Flag::ByteOne);
      sockets.Script = {kOnline};
      d->CheckConnection();
      SetFlag(c.F);
      ASSERT_TRUE(d->Online());
    }
    events.clear();
    sockets.Starts = sockets.Stops = sockets.Resolves = 0;
    sockets.Script = c.Probes;
    d->CheckConnection();
    EXPECT_EQ(events, c.Events);
    EXPECT_EQ(d->Online(), c.End);
    EXPECT_EQ(sockets.Resolves, static_cast<int>(c.Probes.size()));
    EXPECT_EQ(sockets.Starts, sockets.Resolves);
    EXPECT_EQ(sockets.Stops, sockets.Starts);
  }
}

TEST_F(DetectorTest, ProbeLooksOnlyAtTheLastAddress) {
  struct Case {
    Addresses Answer;
    bool Online;
  };
  const Case cases[] = {
      {std::vector<std::string>{"192.168.1.5", "127.0.0.1"}, false},
      {std::vector<std::string>{"127.0.0.1", "192.168.1.5"}, true},
      {std::vector<std::string>{}, false},
      {std::vector<std::string>{""}, false},
      {std::vector<std::string>{"127.0.1.1"}, true},
      {std::nullopt, false},
  };
  for (const Case& c : cases) {
    auto d = Make();
    sockets.Answer = c.Answer;
    d->CheckConnection();
    EXPECT_EQ(d->Online(), c.Online);
  }
}

TEST_F(DetectorTest, ProbeResolvesTheOwnHostNameAndStopsSocketsWhenTheResolverThrows) {
  auto d = Make();
  sockets.Answer = kOnline;
  d->CheckConnection();
  ASSERT_FALSE(sockets.Names.empty());
  EXPECT_EQ(sockets.Names[0], hostSockets.OwnHostName());
  sockets.Starts = sockets.Stops = 0;
  sockets.ThrowOnResolve = true;
  d->CheckConnection();  // no application: the exception is dropped, not propagated
  EXPECT_EQ(sockets.Starts, 1);
  EXPECT_EQ(sockets.Stops, 1);
}

TEST_F(DetectorTest, TimerRunsFromConstructionUntilDestructionOnlyWhenEnabledWithAnInterval) {
  auto d = Make();
  EXPECT_TRUE(d->Enabled());
  EXPECT_EQ(d->DispatchInterval(), 1000u);
  EXPECT_FALSE(d->Online());
  EXPECT_EQ(timers.RunningCount(), 1u);
  EXPECT_EQ(timers.Intervals(), std::vector<uint32_t>{1000});
  // Equal values restart nothing; different ones restart with the new period.
  d->SetEnabled(true);
  d->SetDispatchInterval(1000);
  EXPECT_EQ(timers.Intervals().size(), 1u);
  d->SetDispatchInterval(250);
  EXPECT_EQ(timers.Intervals(), (std::vector<uint32_t>{1000, 250}));
  EXPECT_EQ(timers.RunningCount(), 1u);
  d->SetDispatchInterval(0);
  EXPECT_EQ(timers.RunningCount(), 0u);
  d->SetDispatchInterval(500);
  d->SetEnabled(false);
  EXPECT_EQ(timers.RunningCount(), 0u);
  d->SetEnabled(true);
  EXPECT_EQ(timers.RunningCount(), 1u);
  // A tick of the timer runs a check.
  sockets.Answer = kOnline;
  timers.FireAll();
  EXPECT_TRUE(d->Online());
  d.reset();
  EXPECT_EQ(timers.RunningCount(), 0u);
}

TEST_F(DetectorTest, WritingOnlineChangesNothing) {
  auto d = Make();
  d->SetOnline(true);
  EXPECT_FALSE(d->Online());
  sockets.Answer = kOnline;
  d->CheckConnection();
  d->SetOnline(false);
  EXPECT_TRUE(d->Online());
  EXPECT_EQ(events, (std::vector<bool>{true, true}));
}

TEST_F(DetectorTest, HandlerExceptionIsShownOnceAndTheNextTickRuns) {
  HeadlessPeer peer;
  testsupport::FakeDialogs dialogs;
  TApplication app(peer, dialogs);
  app.Title = "Velto2005";
  auto d = Make();
  d->OnException = [&app] { app.HandleException(); };
  int calls = 0;
  d->OnChanged = [&](TObject*) {
    ++calls;
    throw std::runtime_error("handler failed");
  };
  sockets.Answer = kOnline;
  d->CheckConnection();  // the first event throws and ends the tick
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "handler failed");
  EXPECT_EQ(timers.RunningCount(), 1u);
  sockets.Answer = kLoopback;
  d->CheckConnection();  // the next tick runs and raises again
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(dialogs.Boxes.size(), 2u);
}

}  // namespace
