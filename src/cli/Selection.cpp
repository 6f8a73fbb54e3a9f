#include "cli/Selection.h"

#include <algorithm>
#include <cctype>
#include <iostream>

#include "app/Dispatch.h"
#include "cli/CommonArgs.h"
#include "cli/ControllerLink.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "load/PartitionList.h"

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

void selectRevision(app::Program& program, int model, int programRow) {
    app::FormMain& form = program.formMain;
    app::Dispatch(program, [&] { form.Form_Load(); });
    checkRow(model, form.CtrlModels.items.size(), "model");
    app::Dispatch(program, [&] { form.CtrlModels_ItemClick(model); });
    checkRow(programRow, form.CtrlPrograms.items.size(), "program",
             " of model " + std::to_string(model));
    app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(programRow); });
    if (program.catalogue.SelectedProjectFolder.empty()) {
        throw UsageError{"program " + std::to_string(programRow) + " has no module folder"};
    }
}

bool selectRevisionByText(app::Program& program, const std::string& model,
                          const std::string& revision, std::string& why) {
    app::FormMain& form = program.formMain;
    app::Dispatch(program, [&] { form.Form_Load(); });
    const auto& models = program.catalogue.ModelList;
    const auto same = [](const std::string& a, const std::string& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    };
    for (size_t m = 0; m < models.size(); ++m) {
        if (!same(models[m].Name, model)) continue;
        app::Dispatch(program, [&] { form.CtrlModels_ItemClick(static_cast<int>(m) + 1); });
        const auto& programs = program.catalogue.ProgramList;
        for (size_t r = 0; r < programs.size(); ++r) {
            if (programs[r].Revision != revision) continue;
            app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(static_cast<int>(r) + 1); });
            if (!program.catalogue.SelectedProjectFolder.empty()) return true;
            why = "revision " + revision + " of model " + model + " has no module folder";
            return false;
        }
        why = "model " + model + " has no revision " + revision;
        return false;
    }
    why = "the catalogue has no model " + model;
    return false;
}

bool selectPartitionRow(app::Program& program, int number, std::string& why) {
    load::RefreshPartitionList(program);
    const auto& rows = program.formMain.CtrlPartitions.items;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == std::to_string(number)) {
            program.formMain.CtrlPartitions_ItemClick(static_cast<int>(i) + 1);
            return true;
        }
    }
    why = "the controller lists no partition " + std::to_string(number);
    return false;
}

bool connectProgram(Session& session, const LinkChoice& choice,
                    std::optional<ControllerAddress> address, uint32_t baud) {
    checkLinkChoice(choice);
    if (!address && choice.serial.empty()) throw UsageError{"--addr is needed with --link"};
    clink::Connection& connection = session.program().connection;
    try {
        if (choice.link.empty()) {
            connectBySerial(session.program(), choice);
        } else {
            const OpenedLink opened = openLink(session.library(), choice.link, baud);
            connection.CommKind = opened.commKind;
            connection.CurrentLink = opened.handle;
        }
    } catch (const LinkError& error) {
        std::cerr << "error: " << error.message << '\n';
        return false;
    }
    if (address) {
        connection.CurrentPLA = address->pla;
        connection.CurrentELA = address->ela;
    }
    return true;
}

}  // namespace cli
