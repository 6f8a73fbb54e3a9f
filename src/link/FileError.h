#pragma once
// A module file that cannot be read, written or replaced: raised to the caller, who shows it.
#include <stdexcept>

namespace clink {

class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace clink
