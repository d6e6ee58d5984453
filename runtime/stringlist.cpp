#include "runtime/stringlist.h"

#include <string>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

size_t TStringList::Position(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EArgumentError("TStringList index " + std::to_string(Index) + " out of range (count " +
                         std::to_string(Count()) + ")");
  return static_cast<size_t>(Index);
}

int TStringList::Add(std::string S) {
  FItems.push_back(std::move(S));
  return Count() - 1;
}

int TStringList::IndexOf(const std::string& S) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == S) return static_cast<int>(i);
  return -1;
}

std::string TStringList::Names(int Index) const {
  const std::string& s = Strings(Index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int Index) const {
  const std::string& s = Strings(Index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

std::string TStringList::Text() const {
  std::string out;
  for (const auto& s : FItems) {
    out += s;
    out += "\r\n";
  }
  return out;
}

void TStringList::SetText(const std::string& T) {
  FItems.clear();
  size_t start = 0, i = 0;
  while (i < T.size()) {
    char c = T[i];
    if (c == '\r' || c == '\n') {
      FItems.push_back(T.substr(start, i - start));
      if (c == '\r' && i + 1 < T.size() && T[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < T.size()) FItems.push_back(T.substr(start));
}

void TStringList::LoadFromStream(TStream& Stream) {
  int64_t left = Stream.Size() - Stream.Position();
  std::string text(static_cast<size_t>(left > 0 ? left : 0), '\0');
  if (!text.empty()) Stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
  SetText(text);
}
