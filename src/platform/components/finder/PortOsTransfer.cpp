#include "platform/components/finder/PortOsTransfer.h"

#include "platform/components/ControllerReturn.h"
#include "platform/components/ImageSource.h"
#include "platform/components/finder/PortOsImage.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/os/Clock.h"
#include "platform/ui/Screen.h"

namespace components {
namespace {

class NoEvents final : public ui::Screen {
  public:
    ui::Pointer pointer() const override { return ui::Pointer::Default; }
    void setPointer(ui::Pointer) override {}
    void processEvents() override {}
};

}  // namespace

bool sendPortOs(kvxglib::RealLibrary& library, int32_t link, const PortOsImage& image,
                const PortOsUpgradeSettings& settings, std::string& why) {
    if (!image.IsValid()) {
        why = image.why();
        return false;
    }
    NoEvents noEvents;
    os::SteadyClock steady;
    ui::Screen& screen = settings.screen != nullptr ? *settings.screen : noEvents;
    os::Clock& clock = settings.clock != nullptr ? *settings.clock : steady;

    transfer::Job job;
    job.link = link;
    job.target = wire::TransferTarget::PortOs;
    job.model = image.PortType();  // the port refuses an image of another port type
    job.name = image.revisionBytes();
    job.image = image.payload();
    attachSignature(job, image.image());
    job.compression = settings.compression;
    comm::LinkAccess& links = kvxglib::linkAccess(library);
    const transfer::Result result =
        transfer::TransferEngine(links, settings.tuning).run(job, [&](const transfer::Progress& p) {
            if (settings.progress) settings.progress(p);
            screen.processEvents();
            return true;
        });
    if (result.ending != transfer::Ending::Completed) {
        why = "the TCP/IP Port OS was not loaded: " + result.message;
        return false;
    }
    if (settings.loaded) settings.loaded(result, job.image.size());
    // The port restarts with the new system: until it answers again a search would miss it.
    awaitController(ReturnWait{links, clock, screen, settings.returnLimit}, link,
                    {wire::kDirectAddress});
    return true;
}

}  // namespace components
