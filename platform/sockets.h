// The sockets services the connection detector needs: the machine's own host
// name and the IPv4 addresses it resolves to.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Capacity of the buffer the own host name is read into, its end included.
inline constexpr size_t kHostNameBufferSize = 64;

// The text in a buffer of Size bytes up to its first zero, or all Size bytes
// when the system left the buffer without one.
inline std::string TerminatedText(const char* Buffer, size_t Size) {
  size_t length = 0;
  while (length < Size && Buffer[length] != '\0') ++length;
  return std::string(Buffer, length);
}

class ISockets {
 public:
  virtual ~ISockets() = default;
  // Starts the sockets library (version 1.1) for one round of calls; the
  // result is not reported. Every Start is followed by exactly one Stop.
  virtual void Start() = 0;
  virtual void Stop() = 0;
  // The machine's own host name, read into a buffer of kHostNameBufferSize
  // bytes and always terminated; "" when the system gives none.
  virtual std::string OwnHostName() = 0;
  // The dotted-decimal texts of Name's IPv4 addresses, in the resolver's
  // order; nullopt when no host entry comes back.
  virtual std::optional<std::vector<std::string>> ResolveIPv4(const std::string& Name) = 0;
};

}  // namespace platform
