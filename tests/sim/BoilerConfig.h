#pragma once
// The KVXreal C controller most simulator tests start from: each test adds what it is about.
#include "sim/Controller.h"

namespace simtest {

inline constexpr wire::Address kBoilerAddress{1, 5};

inline sim::ControllerConfig boilerConfig() {
    sim::ControllerConfig c;
    c.id = "Boiler";
    c.serialNumber = "SN1";
    c.kvxrealC = true;
    c.address = kBoilerAddress;
    c.modelNumber = 300;
    return c;
}

}  // namespace simtest
