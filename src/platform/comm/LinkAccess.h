#pragma once
// How a component that was handed a link handle reaches that link's exchanges. The general
// library implements it over its link table; tests over engines of their own.
#include <cstdint>

namespace comm {

class ExchangeEngine;

class LinkAccess {
  public:
    virtual ~LinkAccess() = default;
    // Null for a handle that names no link (link 0 without a serial port included).
    virtual ExchangeEngine* engine(int32_t handle) = 0;
};

}  // namespace comm
