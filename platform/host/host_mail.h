// The host's Simple MAPI binding and sockets. There is no mail client or
// Winsock on the host: the binding decides from the (host) registry as the
// real one does and records every message it would hand on; the sockets use
// the host's own resolver. (The browser opener is HostShell::OpenUrl.)
#pragma once

#include <functional>
#include <vector>

#include "platform/registry.h"
#include "platform/simple_mapi.h"
#include "platform/simple_mapi_record.h"
#include "platform/sockets.h"

namespace platform {

class HostSimpleMapi : public ISimpleMapi {
 public:
  // Registry must outlive the binding; it is read once, at the first send.
  explicit HostSimpleMapi(IRegistry& Registry) : FRegistry(Registry) {}

  uint32_t SendMail(uintptr_t Session, uintptr_t ParentWindow, MapiMessage& Message, uint32_t Flags,
                    uint32_t Reserved) override;

  // What the stand-in library offers: whether it is there to load, whether
  // it exports the entry point, and the result each send gives.
  bool LibraryPresent = true;
  bool EntryPointPresent = true;
  uint32_t Result = mapiSuccess;
  // Runs inside every send that reaches the entry point, before recording;
  // it may throw (the send then throws as a mail client's crash would).
  std::function<void(const MapiMessage&)> OnSend;

  std::vector<MapiMailRecord> Sent;  // every message the entry point received
  int Decisions = 0;                 // times the availability was decided (0 or 1)
  int Loads = 0;                     // times the library was loaded (0 or 1)
  int Lookups = 0;                   // entry-point look-ups

 private:
  IRegistry& FRegistry;
  bool FDecided = false;
  bool FLoaded = false;
  bool FHaveEntry = false;
};

class HostSockets : public ISockets {
 public:
  void Start() override {}
  void Stop() override {}
  std::string OwnHostName() override;
  std::optional<std::vector<std::string>> ResolveIPv4(const std::string& Name) override;
};

}  // namespace platform
