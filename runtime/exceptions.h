// Exception types of the class library. Messages are Windows-1252 text, as
// every text of the system; the application shows them in a message box.
#pragma once

#include <exception>
#include <string>

// Base of every exception the system raises on purpose. It keeps its own
// message: the C++ library's error classes would bring their own string
// type into the installer stub.
class Exception : public std::exception {
 public:
  explicit Exception(const std::string& Message) : FMessage(Message) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  std::string Message() const { return FMessage; }

 private:
  std::string FMessage;
};

// An argument the code cannot take (an index out of range, pixels that do
// not match a size): a fault of the calling code, not of the system or its
// data. Deliberately not an Exception, so that the handlers of the system's
// errors let it pass; the application shows its text as any other.
class EArgumentError : public std::exception {
 public:
  explicit EArgumentError(const std::string& Message) : FMessage(Message) {}
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
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
