#include "tools/arc_options.h"

#include <getopt.h>

namespace arc {

TParsedOptions::TParsedOptions(const std::vector<std::string>& Args, const std::vector<TOptionSpec>& Specs) {
  // getopt_long works on a mutable argv: copies, with a program name first.
  std::vector<std::string> words;
  words.reserve(Args.size() + 1);
  words.push_back("velto-arc");
  words.insert(words.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  // A leading ':' reports a missing value as ':' rather than '?'.
  std::string shorts = ":";
  std::vector<option> longs;
  for (size_t i = 0; i < Specs.size(); ++i) {
    if (Specs[i].Short) {
      shorts += Specs[i].Short;
      if (Specs[i].Valued) shorts += ':';
    }
    // Long options return 256 + their index, short ones their letter.
    longs.push_back({Specs[i].Long, Specs[i].Valued ? required_argument : no_argument, nullptr, int(256 + i)});
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  auto specOf = [&](int Code) -> const TOptionSpec* {
    if (Code >= 256 && size_t(Code - 256) < Specs.size()) return &Specs[size_t(Code - 256)];
    for (const TOptionSpec& s : Specs)
      if (s.Short && s.Short == Code) return &s;
    return nullptr;
  };
  // The option as the user wrote it, without an attached value.
  auto written = [&](int Index) {
    // argv, not words: getopt_long reorders argv's pointers.
    std::string w = Index > 0 && Index < int(words.size()) ? argv[size_t(Index)] : std::string();
    if (size_t eq = w.find('='); w.compare(0, 2, "--") == 0 && eq != std::string::npos) w.resize(eq);
    return w;
  };

  opterr = 0;
  optind = 0;  // 0 starts a new scan (glibc and MinGW-w64 alike)
  int argc = int(words.size());
  for (;;) {
    int code = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), nullptr);
    if (code == -1) break;
    if (code == ':') {
      const TOptionSpec* s = specOf(optopt);
      // MinGW-w64 also reports a value given to a flag this way.
      if (s && !s->Valued) throw EOptionError{"option --" + std::string(s->Long) + " takes no value"};
      throw EOptionError{"option " + (s && optopt >= 256 ? "--" + std::string(s->Long) : written(optind - 1)) +
                         " needs a value"};
    }
    if (code == '?') {
      const TOptionSpec* s = optopt ? specOf(optopt) : nullptr;
      if (s && !s->Valued) throw EOptionError{"option --" + std::string(s->Long) + " takes no value"};
      std::string w = optopt && optopt < 256 ? std::string("-") + char(optopt) : written(optind - 1);
      throw EOptionError{"unknown option " + w};
    }
    const TOptionSpec* s = specOf(code);
    if (!s) throw EOptionError{"unknown option"};
    Values[s->Long] = s->Valued && optarg ? optarg : "";
  }
  // With the options moved to the front, the rest are the positional ones.
  for (int i = optind; i < argc; ++i) Positional.push_back(argv[size_t(i)]);
}

}  // namespace arc
