#include "cli/Selection.h"

#include <iostream>

#include "app/Dispatch.h"
#include "cli/CommonArgs.h"
#include "cli/ControllerLink.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "load/PartitionList.h"
#include "platform/os/NativePath.h"

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
    const auto& rows = program.formMain.CtrlPrograms.items;
    const std::string where = " of model " + std::to_string(model);
    long number = 0;
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        if (!parseNumber(text, 0, 32767, number)) number = 32767;
        checkRow(static_cast<int>(number), rows.size(), "program", where);
        return static_cast<int>(number);
    }
    std::vector<int> matches;
    std::string listed;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == text) matches.push_back(static_cast<int>(i) + 1);
        listed += (listed.empty() ? "" : ", ") + std::to_string(i + 1) + " " + rows[i].text;
    }
    if (matches.size() == 1) return matches.front();
    const std::string at = "program \"" + text + "\": ";
    if (rows.empty()) throw UsageError{at + "there are no programs" + where};
    throw UsageError{at +
                     (matches.empty()
                          ? "model " + std::to_string(model) + " has no revision \"" + text + "\""
                          : std::to_string(matches.size()) + " programs" + where +
                                " have that revision; give the row number") +
                     " (its programs: " + listed + ")"};
}

void selectRevision(app::Program& program, int model, const std::string& programText) {
    app::FormMain& form = program.formMain;
    app::Dispatch(program, [&] { form.Form_Load(); });
    checkRow(model, form.CtrlModels.items.size(), "model");
    app::Dispatch(program, [&] { form.CtrlModels_ItemClick(model); });
    const int row = programRow(program, programText, model);
    app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(row); });
    if (program.catalogue.SelectedProjectFolder.empty()) {
        throw UsageError{"program " + programText + " has no module folder"};
    }
}

bool selectRevisionByText(app::Program& program, const std::string& model,
                          const std::string& revision, std::string& why) {
    app::Dispatch(program, [&] { program.formMain.Form_Load(); });
    const auto& models = program.catalogue.ModelList;
    for (size_t m = 0; m < models.size(); ++m) {
        if (!os::equalsIgnoreCase(models[m].Name, model)) continue;
        try {
            selectRevision(program, static_cast<int>(m) + 1, revision);
            return true;
        } catch (const UsageError& error) {
            why = error.message;
            return false;
        }
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
