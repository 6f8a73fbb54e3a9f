#pragma once
// The components on this system: they reach controllers through the general library's links.
#include <chrono>

#include "platform/components/Factory.h"

namespace kvxglib {
class RealLibrary;
}
namespace ui {
class MessageBoxes;
class Screen;
}  // namespace ui
namespace os {
class Clock;
}
namespace comm {
class LinkAccess;
}

namespace components {

struct ReturnWait;

struct Services {
    kvxglib::RealLibrary& library;
    ui::MessageBoxes& boxes;
    ui::Screen& screen;
    os::Clock& clock;
    // How long FinishUpgrade waits for a controller to come back after its restart.
    std::chrono::milliseconds returnWait{60000};
};

class RealFactory final : public Factory {
public:
    explicit RealFactory(Services services) : services_(services) {}

    std::unique_ptr<AppLoader> NewAppLoader() override;
    std::unique_ptr<JobLoader> NewJobLoader() override;
    std::unique_ptr<OsUpgrader> NewOsUpgrader() override;
    std::unique_ptr<OsVersionChecker> NewOsVersionChecker() override;
    std::unique_ptr<PartitionManager> NewPartitionManager() override;

    Services& services() { return services_; }

private:
    comm::LinkAccess& links();
    struct ReturnWait returnWait();

    Services services_;
};

}  // namespace components
