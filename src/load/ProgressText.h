#pragma once
// The progress a loader reports, made safe to show.
#include <string>

namespace load {

// The share clamped to 0..1; anything that is not a number counts as 0.
double ClampedProgress(double zeroToOne);

// The percentage to one decimal, a half going to the even digit, without trailing zeros:
// 0 -> "0", 0.4567 -> "45.7", 0.5 -> "50", 1 -> "100". `decimalPoint` separates the decimal.
std::string PercentText(double zeroToOne, char decimalPoint);

// The user's decimal separator.
char UserDecimalPoint();

}  // namespace load
