// The installer stub's C++ library error helpers: which type each raises,
// with which message, and that the library's inline code reaches them.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace {

// What Raise raised: the first of these types that catches it, and its text.
std::string Raised(const std::function<void()>& Raise) {
  try {
    Raise();
  } catch (const Exception& e) {
    return std::string("Exception: ") + e.what();
  } catch (const std::logic_error& e) {
    return std::string("std::logic_error: ") + e.what();
  } catch (const std::runtime_error& e) {
    return std::string("std::runtime_error: ") + e.what();
  } catch (const std::bad_alloc&) {
    return "std::bad_alloc";
  } catch (const std::exception& e) {
    return std::string("std::exception: ") + e.what();
  }
  return "nothing";
}

TEST(LibraryErrors, RaiseTheirOwnTypeOrAnErrorWithTheLibrarysMessage) {
  struct Case {
    const char* Name;
    std::function<void()> Raise;
    std::string Expected;
  };
  const Case cases[] = {
      {"length", [] { std::__throw_length_error("vector::reserve"); }, "std::exception: vector::reserve"},
      {"runtime", [] { std::__throw_overflow_error("too big"); }, "std::exception: too big"},
      {"formatted", [] { std::__throw_out_of_range_fmt("%s: %zu >= %zu, 100%%", "at", size_t(7), size_t(3)); },
       "std::exception: at: 7 >= 3, 100%"},
      {"vector::at", [] { (void)std::vector<int>(2).at(5); },
       "std::exception: vector::_M_range_check: __n (which is 5) >= this->size() (which is 2)"},
      {"allocation", [] { std::__throw_bad_alloc(); }, "std::bad_alloc"},
  };
  for (const Case& c : cases) EXPECT_EQ(Raised(c.Raise), c.Expected) << c.Name;
}

}  // namespace
