#pragma once
// Copies a text the general library owns into a program string.
#include <string>

#include "platform/kvxglib/Library.h"

namespace catalogue {

// The library's 8-bit text becomes UTF-8; a lone byte 0x85 (an ellipsis in the old 8-bit
// code page) becomes "…".
std::string TextFromPointer(kvxglib::Library& glib, const char* text);

}  // namespace catalogue
