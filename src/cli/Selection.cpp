#include "cli/Selection.h"

#include <iostream>

#include "app/Program.h"
#include "cli/CommonArgs.h"
#include "cli/ControllerLink.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "operations/Reach.h"
#include "operations/Selection.h"

namespace cli {

ControllerAddress parseControllerAddress(const std::string& text, bool local) {
    const size_t colon = text.find(':');
    long pla = 0;
    long ela = 0;
    if (colon == std::string::npos || !parseNumber(text.substr(0, colon), 0, 255, pla) ||
        !parseNumber(text.substr(colon + 1), 0, 255, ela)) {
        throw UsageError{"\"" + text + "\" is not an address PLA:ELA"};
    }
    const bool isLocal = local && pla == 255 && ela == 30;
    if (!isLocal && (pla < 1 || pla > 254 || ela < 1 || ela > 255)) {
        throw UsageError{"address " + text + " is out of range (PLA 1..254, ELA 1..255)"};
    }
    return {static_cast<int16_t>(pla), static_cast<int16_t>(ela)};
}

int programRow(const app::Program& program, const std::string& text, int model) {
    std::string why;
    const std::optional<int> row = operations::programRow(program, text, model, why);
    if (!row) throw UsageError{why};
    return *row;
}

void selectRevision(app::Program& program, int model, const std::string& programText) {
    std::string why;
    if (!operations::selectRevision(program, model, programText, why)) throw UsageError{why};
}

bool connectProgram(Session& session, const LinkChoice& choice,
                    std::optional<ControllerAddress> address, uint32_t baud) {
    checkLinkChoice(choice);
    if (!choice.link.empty() && choice.passwordStdin) {
        app::Program& program = session.program();
        program.comm.NetworkPassword = passwordFromStdin();
        try {
            connectByAddress(session, choice.link);
        } catch (const LinkError& error) {
            std::cerr << "error: " << error.message << '\n';
            return false;
        }
        if (!choice.serial.empty() && choice.serial != program.current.CurrentSN) {
            std::cerr << "error: at " << choice.link << " answers the controller "
                      << program.current.CurrentSN << ", not " << choice.serial << '\n';
            return false;
        }
        if (address) {
            program.connection.CurrentPLA = address->pla;
            program.connection.CurrentELA = address->ela;
        }
        return true;
    }
    if (!address && choice.serial.empty()) throw UsageError{"--addr is needed with --link"};
    operations::Reach target{choice.link, choice.serial, std::nullopt, baud};
    if (choice.link.empty() && choice.passwordStdin) target.password = passwordFromStdin();
    operations::LinkProblem problem;
    if (!operations::reach(session, target, problem)) {
        if (problem.malformed) throw UsageError{problem.why};
        std::cerr << "error: " << problem.why << '\n';
        return false;
    }
    clink::Connection& connection = session.program().connection;
    if (address) {
        connection.CurrentPLA = address->pla;
        connection.CurrentELA = address->ela;
    }
    return true;
}

}  // namespace cli
