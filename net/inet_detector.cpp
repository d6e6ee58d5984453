#include "net/inet_detector.h"

namespace {

// One Start of the sockets library with its Stop, whatever happens between.
class TSocketsSession {
 public:
  explicit TSocketsSession(platform::ISockets& Sockets) : FSockets(Sockets) { FSockets.Start(); }
  ~TSocketsSession() { FSockets.Stop(); }
  TSocketsSession(const TSocketsSession&) = delete;
  TSocketsSession& operator=(const TSocketsSession&) = delete;

 private:
  platform::ISockets& FSockets;
};

}  // namespace

TINetDetector::TINetDetector(TComponent* AOwner, platform::ITimers& Timers, platform::ISockets& Sockets,
                             platform::IRegistry& Registry)
    : TComponent(AOwner), FTimers(Timers), FSockets(Sockets), FRegistry(Registry) {
  RefreshTimer();
}

TINetDetector::~TINetDetector() {
  FEnabled = false;
  RefreshTimer();
}

void TINetDetector::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  RefreshTimer();
}

void TINetDetector::SetDispatchInterval(uint32_t Value) {
  if (Value == FDispatchInterval) return;
  FDispatchInterval = Value;
  RefreshTimer();
}

void TINetDetector::RefreshTimer() {
  if (FTimerId != 0) FTimers.StopTimer(FTimerId);
  FTimerId = 0;
  if (FDispatchInterval != 0 && FEnabled)
    FTimerId = FTimers.StartTimer(FDispatchInterval, [this] { CheckConnection(); });
}

void TINetDetector::CheckConnection() {
  try {
    Tick();
  } catch (...) {
    if (OnException) OnException();
  }
}

void TINetDetector::RaiseIfChanged(bool Previous) {
  if (FOnline != Previous && OnChanged) OnChanged(this);
}

void TINetDetector::Tick() {
  // Both comparisons are against the value the tick started with.
  const bool previous = FOnline;
  FOnline = ProbeHostAddress();
  RaiseIfChanged(previous);
  std::unique_ptr<platform::IRegistryKey> key =
      FRegistry.OpenKeyReadOnly(platform::RootKey::LocalMachine, kRemoteAccessKey);
  if (!key) {
    FOnline = ProbeHostAddress();
    RaiseIfChanged(previous);
    return;
  }
  std::optional<std::string> flag = key->ReadBytes(kRemoteConnectionValue, 4);
  if (flag && !flag->empty())
    FOnline = FOnline || static_cast<unsigned char>((*flag)[0]) == 1;
  else if (!flag)
    FOnline = ProbeHostAddress();
  RaiseIfChanged(previous);
  key->Close();
}

bool TINetDetector::ProbeHostAddress() {
  TSocketsSession session(FSockets);
  std::optional<std::vector<std::string>> addresses = FSockets.ResolveIPv4(FSockets.OwnHostName());
  if (!addresses || addresses->empty()) return false;
  const std::string& last = addresses->back();
  return !last.empty() && last != "127.0.0.1";
}
