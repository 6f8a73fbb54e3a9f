#include "platform/components/RealFactory.h"

#include "platform/components/ImageSource.h"
#include "platform/components/RealAppLoader.h"
#include "platform/components/RealJobLoader.h"
#include "platform/components/RealOsUpgrader.h"
#include "platform/components/RealOsVersionChecker.h"
#include "platform/components/RealPartitionManager.h"
#include "platform/kvxglib/TcpLinks.h"

namespace components {

comm::LinkAccess& RealFactory::links() { return kvxglib::linkAccess(services_.library); }

ReturnWait RealFactory::returnWait() {
    return {links(), services_.clock, services_.screen, services_.returnWait};
}

std::unique_ptr<AppLoader> RealFactory::NewAppLoader() {
    return std::make_unique<RealAppLoader>(links(), productKey(services_.library));
}
std::unique_ptr<JobLoader> RealFactory::NewJobLoader() {
    return std::make_unique<RealJobLoader>(links(), services_.boxes, services_.screen,
                                           productKey(services_.library));
}
std::unique_ptr<OsUpgrader> RealFactory::NewOsUpgrader() {
    return std::make_unique<RealOsUpgrader>(returnWait(), productKey(services_.library));
}
std::unique_ptr<OsVersionChecker> RealFactory::NewOsVersionChecker() {
    return std::make_unique<RealOsVersionChecker>(returnWait(), services_.boxes,
                                                  productKey(services_.library));
}
std::unique_ptr<PartitionManager> RealFactory::NewPartitionManager() {
    return std::make_unique<RealPartitionManager>(links());
}

}  // namespace components
