#pragma once
// Makes the loader components; the program creates one for each command and drops it after.
#include <memory>

#include "platform/components/AppLoader.h"
#include "platform/components/JobLoader.h"
#include "platform/components/OsUpgrader.h"
#include "platform/components/OsVersionChecker.h"
#include "platform/components/PartitionManager.h"

namespace components {

class Factory {
public:
    virtual ~Factory() = default;
    virtual std::unique_ptr<AppLoader> NewAppLoader() = 0;
    virtual std::unique_ptr<JobLoader> NewJobLoader() = 0;
    virtual std::unique_ptr<OsUpgrader> NewOsUpgrader() = 0;
    virtual std::unique_ptr<OsVersionChecker> NewOsVersionChecker() = 0;
    virtual std::unique_ptr<PartitionManager> NewPartitionManager() = 0;
};

}  // namespace components
