// Reads the record that the tests' stand-in MAPI32.DLL (test_mapi32.c)
// writes: one entry per MAPISendMail call, texts with their exact bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace maprecord {

struct Recip {
  uint32_t Class = 0;
  std::optional<std::string> Name, Address;
};
struct File {
  long Position = 0;
  std::optional<std::string> Path, Name;
};
struct Mail {
  std::string Tag;
  unsigned long Session = 0, Flags = 0, Reserved = 0;
  bool Parent = false;
  std::optional<std::string> Subject, Note;
  std::optional<Recip> Originator;
  std::vector<Recip> Recips;
  std::vector<File> Files;
};

class Reader {
 public:
  explicit Reader(const std::string& Bytes) : FBytes(Bytes) {}
  bool AtEnd() const { return FPos >= FBytes.size(); }
  // A word up to the next space or line end, which is consumed.
  std::string Word() {
    size_t end = FBytes.find_first_of(" \n", FPos);
    if (end == std::string::npos) throw std::runtime_error("record cut short");
    std::string w = FBytes.substr(FPos, end - FPos);
    FPos = end + 1;
    return w;
  }
  void Expect(const std::string& W) {
    std::string got = Word();
    if (got != W) throw std::runtime_error("record: expected " + W + ", found " + got);
  }
  unsigned long Number() { return std::stoul(Word()); }
  // "null" or "<length>:<bytes>", then the separator.
  std::optional<std::string> Text() {
    if (FBytes.compare(FPos, 5, "null ") == 0 || FBytes.compare(FPos, 5, "null\n") == 0) {
      FPos += 5;
      return std::nullopt;
    }
    size_t colon = FBytes.find(':', FPos);
    if (colon == std::string::npos) throw std::runtime_error("record: text without length");
    size_t length = std::stoul(FBytes.substr(FPos, colon - FPos));
    if (colon + 1 + length >= FBytes.size()) throw std::runtime_error("record: text cut short");
    std::string text = FBytes.substr(colon + 1, length);
    FPos = colon + 1 + length + 1;
    return text;
  }
  Recip RecipAfter(const std::string& Kind) {
    Expect(Kind);
    Recip r;
    r.Class = static_cast<uint32_t>(Number());
    r.Name = Text();
    r.Address = Text();
    return r;
  }

 private:
  const std::string& FBytes;
  size_t FPos = 0;
};

// Every mail of the record, in order. Throws std::runtime_error when the
// record is not in the format.
inline std::vector<Mail> Parse(const std::string& Bytes) {
  std::vector<Mail> mails;
  Reader r(Bytes);
  while (!r.AtEnd()) {
    Mail m;
    r.Expect("mail");
    m.Tag = r.Word();
    r.Expect("session");
    m.Session = r.Number();
    r.Expect("parent");
    m.Parent = r.Word() == "set";
    r.Expect("flags");
    m.Flags = r.Number();
    r.Expect("reserved");
    m.Reserved = r.Number();
    r.Expect("subject");
    m.Subject = r.Text();
    r.Expect("note");
    m.Note = r.Text();
    m.Originator = r.RecipAfter("originator");
    r.Expect("recipients");
    for (unsigned long n = r.Number(); n > 0; --n) m.Recips.push_back(r.RecipAfter("recipient"));
    r.Expect("files");
    for (unsigned long n = r.Number(); n > 0; --n) {
      r.Expect("file");
      File f;
      f.Position = std::stol(r.Word());
      f.Path = r.Text();
      f.Name = r.Text();
      m.Files.push_back(f);
    }
    r.Expect("end");
    mails.push_back(m);
  }
  return mails;
}

}  // namespace maprecord
