// Windows-1252 text to and from UTF-8, for printing names on a terminal
// whose encoding is UTF-8 and for reading text typed there.
#pragma once

#include <string>

namespace arc {

// Every byte has a character: 0x80..0x9F by the code page's table (the five
// unassigned ones as the C1 controls of the same value, as Windows does).
std::string Utf8FromCp1252(const std::string& Text);
// False (Out unspecified) when Text is not valid UTF-8 or holds a character
// that Windows-1252 does not have.
bool Cp1252FromUtf8(const std::string& Text, std::string& Out);

}  // namespace arc
