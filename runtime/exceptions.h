// Exception types of the class library. Messages are Windows-1252 text, as
// every text of the system; the application shows them in a message box.
#pragma once

#include <stdexcept>
#include <string>

// Base of every exception the system raises on purpose.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
  std::string Message() const { return what(); }
};

// A silent abort: ends the current operation; the application's exception
// display does not show it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EStreamError : public Exception {
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};  // file cannot be created
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};  // file cannot be opened
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};  // fewer bytes than asked
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};  // write fell short
class EInOutError : public Exception {
  using Exception::Exception;
};  // e.g. a folder not creatable
class ERegistryException : public Exception {
  using Exception::Exception;
};  // registry read/write failure
