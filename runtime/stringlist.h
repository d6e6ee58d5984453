// TStringList: an ordered list of strings, duplicates kept, never sorted.
#pragma once

#include <string>
#include <vector>

#include "runtime/component.h"

class TStream;

class TStringList : public TObject {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // Item at Index; throws EArgumentError when Index is not in 0..Count-1.
  const std::string& Strings(int Index) const { return FItems[Position(Index)]; }
  const std::string& operator[](int Index) const { return Strings(Index); }
  void Set(int Index, std::string S) { FItems[Position(Index)] = std::move(S); }

  // Appends S; returns its index.
  int Add(std::string S);
  void Clear() { FItems.clear(); }
  // Replaces the contents with a copy of Source's.
  void Assign(const TStringList& Source) { FItems = Source.FItems; }
  // Index of the first item equal to S (case-sensitive), or -1.
  int IndexOf(const std::string& S) const;

  // The item's text before the first "=", and after it ("" when there is none).
  std::string Names(int Index) const;
  std::string ValueFromIndex(int Index) const;

  // All items, each followed by CR LF.
  std::string Text() const;
  // Replaces the items with the lines of T: a line ends at CR LF, LF or CR;
  // a last line without an ending counts, an empty tail does not.
  void SetText(const std::string& T);
  // SetText with the rest of Stream from its position.
  void LoadFromStream(TStream& Stream);

  const std::vector<std::string>& Items() const { return FItems; }

 private:
  // Index as a position in FItems; EArgumentError when out of range.
  size_t Position(int Index) const;

  std::vector<std::string> FItems;
};
