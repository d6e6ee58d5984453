// TINetDetector: the internet-connection detector. From construction on it
// checks, every DispatchInterval milliseconds on the GUI thread's timer,
// whether the machine is online and raises OnChanged when a check's answer
// differs from the one the check started with.
//
// Online means: the machine's own host name resolves and the last address
// of the list is not "127.0.0.1"; or the remote-access flag in the registry
// says that a dial-up connection is up.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/registry.h"
#include "platform/sockets.h"
#include "platform/ui.h"
#include "runtime/component.h"

// Where the dial-up state is kept, under HKEY_LOCAL_MACHINE (opened for
// reading only, as a standard user may); only the first byte of a value of
// at most 4 bytes counts.
inline constexpr const char* kRemoteAccessKey = "System\\CurrentControlSet\\Services\\RemoteAccess";
inline constexpr const char* kRemoteConnectionValue = "Remote Connection";

class TINetDetector : public TComponent {
 public:
  // The services must outlive the detector. Enabled True, DispatchInterval
  // 1000: the timer starts here.
  TINetDetector(TComponent* AOwner, platform::ITimers& Timers, platform::ISockets& Sockets,
                platform::IRegistry& Registry);
  // Stops the timer; no check runs afterwards.
  ~TINetDetector() override;

  bool Enabled() const { return FEnabled; }
  // A different value is stored and the timer restarted (or stopped); an
  // equal value does nothing.
  void SetEnabled(bool Value);
  uint32_t DispatchInterval() const { return FDispatchInterval; }
  // As SetEnabled; 0 stops the timer.
  void SetDispatchInterval(uint32_t Value);
  // The last check's answer; False until a check finds the machine online.
  bool Online() const { return FOnline; }
  // Accepted and ignored: only the checks set Online.
  void SetOnline(bool) {}

  TNotifyEvent OnChanged;
  // Called inside the handler of an exception that escaped a check, so that
  // it can rethrow and inspect it (the installer shows it as every event's
  // exception). Not set: the exception is dropped.
  std::function<void()> OnException;

  // One check, as the timer runs it. An exception escaping it (the OnChanged
  // handler's included) ends the check and goes to OnException; it does not
  // propagate.
  void CheckConnection();

 private:
  void RefreshTimer();
  void Tick();
  // Starts sockets, resolves the own host name, stops sockets (on every path).
  bool ProbeHostAddress();
  void RaiseIfChanged(bool Previous);

  platform::ITimers& FTimers;
  platform::ISockets& FSockets;
  platform::IRegistry& FRegistry;
  bool FEnabled = true;
  uint32_t FDispatchInterval = 1000;
  uintptr_t FTimerId = 0;
  bool FOnline = false;
};
