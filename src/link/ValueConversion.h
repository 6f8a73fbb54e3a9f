#pragma once
// The conversions a by-name write makes right before the call. Fractions round to the nearest
// integer, ties to even; a text must hold a decimal number (blanks around it allowed); a value
// that does not fit, or a text that is not a number, raises ConversionError.
#include <cstdint>
#include <string>

#include "link/VarValue.h"

namespace clink {

int16_t ToInt16(const VarValue& value);        // types 1, 2 and 3; true is -1
int32_t ToInt32(const VarValue& value);        // type 6
float ToSingle(const VarValue& value);         // type 4
std::u16string ToText(const VarValue& value);  // type 5

}  // namespace clink
