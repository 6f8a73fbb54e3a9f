#pragma once
// The program's context: the platform it runs on and the state each subsystem owns. Operations
// take it by reference; nothing is global.
#include <memory>

#include "app/FormMain.h"
#include "catalogue/Catalogue.h"
#include "link/Connection.h"
#include "link/LinkState.h"
#include "load/LoadState.h"
#include "network/CommState.h"
#include "network/CurrentController.h"
#include "network/TcpCfg.h"
#include "platform/Platform.h"

namespace app {

struct Program {
    explicit Program(Platform& platformServices)
        : platform(platformServices), formMain(*this) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

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
    FormMain formMain;
};

}  // namespace app
