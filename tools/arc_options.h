// Command-line options of velto-arc's commands, read with getopt_long: short
// options with attached or separate values (-j2, -j 2), long ones with "="
// or a separate value (--jobs=2, --jobs 2), "--" ending the options.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace arc {

// One option a command takes. Short is 0 when it has no short form.
struct TOptionSpec {
  char Short;
  const char* Long;
  bool Valued;
};

// Wrong usage while reading options: the message says which option.
struct EOptionError {
  std::string Message;
};

// The options given (by their long names) and the positional arguments, in
// order. Raises EOptionError for an unknown option, a missing value or a
// value given to a flag.
class TParsedOptions {
 public:
  TParsedOptions(const std::vector<std::string>& Args, const std::vector<TOptionSpec>& Specs);
  bool Has(const std::string& Long) const { return Values.count(Long) > 0; }
  std::string Get(const std::string& Long, const std::string& Default = "") const {
    auto it = Values.find(Long);
    return it == Values.end() ? Default : it->second;
  }

  std::vector<std::string> Positional;
  std::map<std::string, std::string> Values;  // long name -> last value given
};

}  // namespace arc
