#include "tools/cp1252.h"

#include <cstdint>

namespace arc {

namespace {

// Code points of 0x80..0x9F; the unassigned ones map to themselves.
const uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void PutUtf8(std::string& Out, uint32_t C) {
  if (C < 0x80) {
    Out += char(C);
  } else if (C < 0x800) {
    Out += char(0xC0 | C >> 6);
    Out += char(0x80 | (C & 0x3F));
  } else {
    Out += char(0xE0 | C >> 12);
    Out += char(0x80 | (C >> 6 & 0x3F));
    Out += char(0x80 | (C & 0x3F));
  }
}

}  // namespace

std::string Utf8FromCp1252(const std::string& Text) {
  std::string out;
  out.reserve(Text.size());
  for (unsigned char c : Text) PutUtf8(out, c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
  return out;
}

bool Cp1252FromUtf8(const std::string& Text, std::string& Out) {
  Out.clear();
  for (size_t i = 0; i < Text.size();) {
    unsigned char c = static_cast<unsigned char>(Text[i]);
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c, n = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, n = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, n = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, n = 4;
    } else {
      return false;
    }
    if (i + n > Text.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      unsigned char t = static_cast<unsigned char>(Text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    // Overlong forms are not valid UTF-8.
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000)) return false;
    i += n;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      Out += char(cp);
      continue;
    }
    bool found = false;
    for (int k = 0; k < 32 && !found; ++k)
      if (kHigh[k] == cp) {
        Out += char(0x80 + k);
        found = true;
      }
    if (!found) return false;
  }
  return true;
}

}  // namespace arc
