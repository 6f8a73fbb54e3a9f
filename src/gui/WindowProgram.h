#pragma once
// The window program put together on the real platform: libraries, components, finder, the
// Qt message and input boxes, the main window and its dialogs. The program's main and the
// whole-day window test build it the same way.
#include <memory>
#include <string>

#include "app/Program.h"
#include "gui/FormMainView.h"
#include "gui/QtFormHost.h"
#include "gui/QtInputBox.h"
#include "gui/QtMessageBoxes.h"
#include "gui/QtScreen.h"
#include "platform/components/RealFactory.h"
#include "platform/components/finder/UdpFinder.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/RealLinkZero.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"

namespace gui {

class WindowProgram {
  public:
    explicit WindowProgram(const std::string& machineDir);
    ~WindowProgram();

    // The form's Load event; then the window may be shown.
    void load() { window.load(); }

    os::RealFileSystem files;
    os::SteadyClock clock;
    QtScreen screen;
    QtMessageBoxes boxes;
    kvxglib::RealLibrary glib;
    kvxnam::RealLibrary nam;
    components::RealFactory components;
    components::UdpFinderFactory finders;
    QtInputBox input;
    kvxglib::RealLinkZero serialPort;
    Platform platform;
    app::Program program;
    FormMainView window;
    QtFormHost forms;
};

}  // namespace gui
