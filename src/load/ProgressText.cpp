#include "load/ProgressText.h"

#include <clocale>
#include <cmath>
#include <cstdint>

namespace load {

double ClampedProgress(double zeroToOne) {
    if (!(zeroToOne >= 0.0)) return 0.0;  // also NaN
    return zeroToOne > 1.0 ? 1.0 : zeroToOne;
}

std::string PercentText(double zeroToOne, char decimalPoint) {
    // Tenths of a percent; nearbyint takes a half to the even number.
    const auto tenths = static_cast<int64_t>(std::nearbyint(ClampedProgress(zeroToOne) * 1000.0));
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += decimalPoint + std::to_string(tenths % 10);
    return text;
}

char UserDecimalPoint() {
    const std::lconv* conventions = std::localeconv();
    const char* point = conventions != nullptr ? conventions->decimal_point : nullptr;
    return point != nullptr && point[0] != '\0' ? point[0] : '.';
}

}  // namespace load
