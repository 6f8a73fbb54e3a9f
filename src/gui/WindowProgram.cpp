#include "gui/WindowProgram.h"

#include "gui/SiteCommission.h"
#include "operations/ImageBackup.h"
#include "operations/SettingsBackup.h"
#include "platform/kvxglib/TcpLinks.h"

namespace gui {

WindowProgram::WindowProgram(const std::string& machineDir)
    : glib(boxes, machineDir),
      components({glib, boxes, screen, clock}),
      finders{glib},
      serialPort(glib),
      platform{glib, nam, screen, files, clock, components},
      program(platform),
      window(program),
      forms(window, program) {
    platform.finders = &finders;
    platform.input = &input;
    platform.serialPort = &serialPort;
    finders.upgrades.screen = &screen;  // the window stays alive through a Port OS upgrade
    finders.upgrades.clock = &clock;
    kvxglib::setYieldScreen(glib, &screen);  // waits on a controller keep the window alive
    program.load.forms = &forms;
    operations::offerBackupBeforeLoad(program, machineDir);
    operations::keepImagesBeforeLoad(program, machineDir);
    window.binder().menu("MenuRestoreImage", program.formMain.MenuRestoreImage, [this] {
        operations::restoreNewestImage(program, glib.machineConfig().machineDir());
    });
    window.binder().menu("MenuCommissionSite", program.formMain.MenuCommissionSite, [this] {
        commissionSite(program, forms, glib.machineConfig().machineDir());
    });
    const auto refresh = [this] {
        window.binder().refresh();
        forms.refresh();
    };
    screen.setRefresh(refresh);
    boxes.setRefresh(refresh);
    input.setRefresh(refresh);
}

WindowProgram::~WindowProgram() {
    kvxglib::setYieldScreen(glib, nullptr);
    program.load.forms = nullptr;
}

}  // namespace gui
