#pragma once
// The links of one library by handle. Handle 0 is the serial line of the machine settings and
// follows them; links opened by address get handles from 1 up, never reused while the table
// lives.
#include <cstdint>
#include <map>
#include <memory>

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkSettings.h"

namespace comm {

class LinkTable {
  public:
    // Link 0 as the settings describe it: rebuilt only when its port, rate or time-outs
    // changed. Without a port there is no link 0 and its exchanges cannot start.
    void configureLinkZero(const LinkSettings& settings);
    int32_t add(std::unique_ptr<ExchangeEngine> engine);
    // Null for an unknown handle (and for link 0 without a port).
    ExchangeEngine* find(int32_t handle) const;
    bool remove(int32_t handle);

  private:
    std::map<int32_t, std::unique_ptr<ExchangeEngine>> links_;
    LinkSettings linkZero_;
    bool linkZeroConfigured_ = false;
    int32_t next_ = 1;
};

}  // namespace comm
