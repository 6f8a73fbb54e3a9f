#pragma once
// The one place where texts change their encoding: UTF-8 program text, UTF-16 "wide" text,
// and the controllers' 8-bit code page 850.
#include <string>

namespace text {

// Code page 850 bytes for a UTF-8 text; a character the code page lacks becomes '?'.
// The result has one byte per character.
std::string toOem(const std::string& utf8);
// UTF-8 for code page 850 bytes.
std::string fromOem(const std::string& oem);

std::u16string toWide(const std::string& utf8);
std::string fromWide(const std::u16string& wide);

// True when `bytes` is well-formed UTF-8.
bool isUtf8(const std::string& bytes);
// UTF-8 for 8-bit text that may not be UTF-8: kept when it is, else each byte read as Latin-1.
std::string fromEightBit(const std::string& bytes);

}  // namespace text
