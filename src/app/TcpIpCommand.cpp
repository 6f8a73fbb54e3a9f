#include "app/TcpIpCommand.h"

#include "app/Program.h"
#include "load/LoadState.h"
#include "load/PartitionList.h"
#include "network/NetworkDialogs.h"

namespace app {
namespace {

constexpr int16_t kTcpIp = 2;

// The main window takes the chosen controller as the one its commands talk to.
void takeChosenController(Program& program) {
    FormMain& f = program.formMain;
    program.connection.CommKind = kTcpIp;
    f.ShowCurrentController();
    const bool kvxrealC = program.connection.ControllerOsKind == "C";
    f.CtrlPartitions.enabled = kvxrealC;
    if (kvxrealC) {
        load::RefreshPartitionList(program);
    } else {
        f.CtrlPartitions.clear();
    }
    for (ui::Control* c : {&f.ButtonLoadProg, &f.BtnChangeAddress, &f.BtnReset}) c->enabled = true;
}

}  // namespace

void OpenTcpIpDialogs(Program& program) {
    ui::FormHost& host = load::FormsOf(program);
    if (!network::ShowSearchTCP(program, host)) return;
    takeChosenController(program);
    // The settings may give the controller a new name or address.
    if (network::ShowTCPSettings(program, host)) program.formMain.ShowCurrentController();
}

}  // namespace app
