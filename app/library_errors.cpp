// The C++ library's error helpers (std::__throw_length_error and its kin,
// called by the inline code of std::vector and std::string), for the
// installer stub alone: the library's own raise std::length_error and the
// rest of the std::logic_error and std::runtime_error family, which bring
// the library's copy-on-write string and about 50 KB into the stub's image.
// Here the allocation and type errors are raised as themselves and the
// others as ELibraryError with the library's message: a std::exception, not
// an Exception, so that the handlers of the system's errors let them pass as
// before. Every helper of the library's file is defined, so the linker never
// takes that file; one that a later library adds would come with it and
// fail the link with a duplicate definition.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <typeinfo>
#include <utility>

namespace {

class ELibraryError : public std::exception {
 public:
  explicit ELibraryError(std::string Message) : FMessage(std::move(Message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Fmt with its arguments as the library formats them: "%s" a text, "%zu" a
// size_t, "%%" a "%"; any other "%" is copied as it is.
std::string FormatMessage(const char* Fmt, va_list Args) {
  std::string out;
  for (const char* c = Fmt; *c; ++c) {
    if (c[0] == '%' && c[1] == 's') {
      out += va_arg(Args, const char*);
      ++c;
    } else if (c[0] == '%' && c[1] == 'z' && c[2] == 'u') {
      out += std::to_string(va_arg(Args, size_t));
      c += 2;
    } else if (c[0] == '%' && c[1] == '%') {
      out += '%';
      ++c;
    } else {
      out += *c;
    }
  }
  return out;
}

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }

void __throw_logic_error(const char* What) { throw ELibraryError(What); }
void __throw_domain_error(const char* What) { throw ELibraryError(What); }
void __throw_invalid_argument(const char* What) { throw ELibraryError(What); }
void __throw_length_error(const char* What) { throw ELibraryError(What); }
void __throw_out_of_range(const char* What) { throw ELibraryError(What); }
void __throw_runtime_error(const char* What) { throw ELibraryError(What); }
void __throw_range_error(const char* What) { throw ELibraryError(What); }
void __throw_overflow_error(const char* What) { throw ELibraryError(What); }
void __throw_underflow_error(const char* What) { throw ELibraryError(What); }

void __throw_out_of_range_fmt(const char* Fmt, ...) {
  va_list args;
  va_start(args, Fmt);
  std::string message = FormatMessage(Fmt, args);
  va_end(args);
  throw ELibraryError(std::move(message));
}

}  // namespace std
