#include "platform/host/host_mail.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace platform {

uint32_t HostSimpleMapi::SendMail(uintptr_t Session, uintptr_t ParentWindow, MapiMessage& Message, uint32_t Flags,
                                  uint32_t Reserved) {
  if (!FDecided) {
    FDecided = true;
    ++Decisions;
    std::unique_ptr<IRegistryKey> key = FRegistry.OpenKey(RootKey::LocalMachine, kMessagingSubsystemKey, false);
    std::optional<std::string> value;
    if (key) value = key->ReadBytes(kMessagingSubsystemValue, kMessagingSubsystemMaxBytes);
    if (SimpleMapiEnabled(value) && LibraryPresent) {
      FLoaded = true;
      ++Loads;
    }
  }
  if (!FLoaded) return mapiUserAbort;
  if (!FHaveEntry) {
    ++Lookups;
    FHaveEntry = EntryPointPresent;
  }
  if (!FHaveEntry) return mapiUserAbort;
  if (OnSend) OnSend(Message);
  Sent.push_back(RecordMapiMail(Session, ParentWindow, Message, Flags, Reserved));
  return Result;
}

std::string HostSockets::OwnHostName() {
  char buffer[kHostNameBufferSize] = {};
  gethostname(buffer, sizeof buffer);  // may leave a long name unterminated
  return TerminatedText(buffer, sizeof buffer);
}

std::optional<std::vector<std::string>> HostSockets::ResolveIPv4(const std::string& Name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(Name.c_str(), nullptr, &hints, &list) != 0 || !list) return std::nullopt;
  std::vector<std::string> texts;
  for (addrinfo* a = list; a; a = a->ai_next) {
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) texts.push_back(text);
  }
  freeaddrinfo(list);
  return texts;
}

}  // namespace platform
