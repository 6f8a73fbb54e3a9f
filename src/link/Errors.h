#pragma once
// Errors the link layer raises to its caller instead of returning a result: arithmetic that
// does not fit the controller's integer widths, and values that do not convert.
#include <stdexcept>

namespace clink {

class OverflowError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace clink
