#pragma once
// The program's context: the platform it runs on and the state each subsystem owns. Operations
// take it by reference; nothing is global. The main window that owns the context sits above
// every subsystem, so the context reaches it only through `MainWindow`.
#include <cstdint>
#include <string>

#include "catalogue/Catalogue.h"
#include "platform/Platform.h"
#include "program/CommState.h"
#include "program/Connection.h"
#include "program/CurrentController.h"
#include "program/LinkState.h"
#include "program/LoadState.h"
#include "program/MainWindow.h"
#include "program/TcpCfg.h"

namespace program {

struct Program {
    Program(Platform& platformServices, MainWindow& window)
        : platform(platformServices), mainWindow(window) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    virtual ~Program() = default;

    Platform& platform;
    catalogue::Catalogue catalogue;
    clink::Connection connection;
    clink::LinkState linkState;
    int16_t CurrentIndex = -1;  // the TCP/IP finder's controller marked as selected
    network::CurrentController current;
    network::CommState comm;
    network::TcpCfg TcpCfg;
    // Values of the selected revision, from the last program click.
    bool SelectedHasWebSite = false;
    bool SelectedHasEMail = false;
    std::string SelectedSettingsPackage;
    load::LoadState load;
    MainWindow& mainWindow;
};

}  // namespace program
