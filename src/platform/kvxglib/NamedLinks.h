#pragma once
// Links opened by the names links give themselves ("tcp:HOST:PORT", "serial:PATH"), for a
// controller named in a file (a site plan) rather than chosen in the communication settings.
#include <cstdint>
#include <string>

namespace kvxglib {

class NamedLinks {
  public:
    virtual ~NamedLinks() = default;
    // The handle, which every traffic call of the library accepts, or 0 with `why`.
    virtual int32_t open(const std::string& name, std::string& why) = 0;
    // An exchange still running on the link ends as lost; 0 and unknown handles are ignored.
    virtual void close(int32_t handle) = 0;
};

}  // namespace kvxglib
