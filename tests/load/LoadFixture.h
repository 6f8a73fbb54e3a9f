#pragma once
// A program on the demo product with a scripted controller and scripted dialogs, connected
// at 12:3 on link 5 with the KVX300C revision 3.1 selected.
#include <gtest/gtest.h>

#include "ScriptedController.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedForms.h"

namespace loadtest {

class LoadFixture : public ::testing::Test {
  public:
    LoadFixture() {
        auto owned = std::make_unique<ScriptedController>();
        controller = owned.get();
        controller->osKindTarget = &program().connection.ControllerOsKind;
        program().load.controller = std::move(owned);
        program().load.forms = &forms;
        form().Form_Load();
        form().CtrlModels_ItemClick(3);
        program().connection.CurrentLink = 5;
        program().connection.CommKind = 2;
        form().CtrlPrograms_ItemClick(2);
        program().connection.CurrentPLA = 12;
        program().connection.CurrentELA = 3;
    }

    app::Program& program() { return *fixture.program; }
    app::FormMain& form() { return program().formMain; }
    std::vector<std::string> messages() const { return fixture.messages(); }

    testsupport::ProgramFixture fixture{true};
    testsupport::ScriptedForms forms;
    ScriptedController* controller = nullptr;
};

// The enabled state of the controls a command locks.
struct Commands {
    bool models, programs, loadProg, loadWeb, comPort, changeAddress, reset, saveLoad;
    bool operator==(const Commands&) const = default;
};

inline Commands commandsOf(const app::FormMain& f) {
    return {f.CtrlModels.enabled,       f.CtrlPrograms.enabled, f.ButtonLoadProg.enabled,
            f.ButtonLoadWeb.enabled,    f.COMPort.enabled,      f.BtnChangeAddress.enabled,
            f.BtnReset.enabled,         f.SaveLoadSettings.enabled};
}

inline std::ostream& operator<<(std::ostream& out, const Commands& c) {
    return out << "models=" << c.models << " programs=" << c.programs << " load=" << c.loadProg
               << " web=" << c.loadWeb << " COMPort=" << c.comPort
               << " address=" << c.changeAddress << " reset=" << c.reset
               << " saveLoad=" << c.saveLoad;
}

constexpr Commands kAllOn{true, true, true, true, true, true, true, true};

}  // namespace loadtest
