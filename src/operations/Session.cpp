#include "operations/Session.h"

#include "operations/LineUi.h"
#include "operations/StartupInfo.h"
#include "platform/components/RealFactory.h"
#include "platform/components/finder/UdpFinder.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/RealNamedLinks.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"

namespace operations {

struct Session::Services {
    // Every question for typed input goes unanswered, as a dismissed box.
    class NoInput final : public ui::InputBox {
      public:
        std::optional<std::string> ask(const std::string&, const std::string&, const std::string&,
                                       bool) override {
            return std::nullopt;
        }
        std::optional<secure::Secret> askPassword(const std::string&, const std::string&) override {
            return std::nullopt;
        }
    };

    Services(const std::string& machineDir, std::ostream& said, ui::InputBox* input)
        : boxes(said),
          glib(boxes, machineDir.empty() ? kvxglib::machineDirFromEnvironment() : machineDir),
          components({glib, boxes, screen, clock}),
          platform{glib, nam, screen, files, clock, components} {
        platform.finders = &finders;
        platform.namedLinks = &namedLinks;
        platform.input = input != nullptr ? input : &noInput;
        finders.upgrades.screen = &screen;
        finders.upgrades.clock = &clock;
    }

    LineMessageBoxes boxes;
    HookedScreen screen;
    os::RealFileSystem files;
    os::SteadyClock clock;
    kvxglib::RealLibrary glib;
    kvxnam::RealLibrary nam;
    components::RealFactory components;
    components::UdpFinderFactory finders{glib};
    kvxglib::RealNamedLinks namedLinks{glib};
    NoInput noInput;
    Platform platform;
};

Session::Session(const std::string& machineDir, std::ostream& said, ui::InputBox* input)
    : services_(std::make_unique<Services>(machineDir, said, input)),
      program_(std::make_unique<app::Program>(services_->platform)) {
    if (const auto info = missingFolderInfo(services_->glib.machineConfig())) said << *info << '\n';
}

Session::~Session() = default;

kvxglib::RealLibrary& Session::library() { return services_->glib; }
LineMessageBoxes& Session::messageBoxes() { return services_->boxes; }
HookedScreen& Session::screen() { return services_->screen; }
components::UdpFinderFactory& Session::finders() { return services_->finders; }

}  // namespace operations
