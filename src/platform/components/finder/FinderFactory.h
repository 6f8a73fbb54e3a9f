#pragma once
// Creates controller finders; the real one searches the network, tests hand in their own.
#include <memory>

#include "platform/components/finder/ControllerFinder.h"

namespace components {

class FinderFactory {
  public:
    virtual ~FinderFactory() = default;
    virtual std::unique_ptr<ControllerFinder> CreateFinder() = 0;
};

}  // namespace components
