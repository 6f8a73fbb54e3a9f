#include "cli/Selection.h"

#include <charconv>
#include <iostream>

#include "app/Dispatch.h"
#include "cli/Options.h"
#include "platform/kvxglib/TcpLinks.h"

namespace cli {
namespace {

bool parseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

void checkRow(int row, size_t count, const std::string& what) {
    if (row < 1 || static_cast<size_t>(row) > count) {
        throw UsageError{what + " " + std::to_string(row) + " is out of range (1.." +
                         std::to_string(count) + ")"};
    }
}

}  // namespace

ControllerAddress parseControllerAddress(const std::string& text, bool local) {
    const size_t colon = text.find(':');
    int pla = 0;
    int ela = 0;
    if (colon == std::string::npos || !parseInt(text.substr(0, colon), pla) ||
        !parseInt(text.substr(colon + 1), ela)) {
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
    checkRow(programRow, form.CtrlPrograms.items.size(), "program");
    app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(programRow); });
    if (program.catalogue.SelectedProjectFolder.empty()) {
        throw UsageError{"program " + std::to_string(programRow) + " has no module folder"};
    }
}

bool connectProgram(Session& session, const std::string& link, ControllerAddress address) {
    std::string why;
    int32_t handle = 0;
    int16_t kind = 0;
    if (link.rfind("tcp:", 0) == 0) {
        const std::string rest = link.substr(4);
        const size_t colon = rest.rfind(':');
        int port = 0;
        if (colon == std::string::npos || colon == 0 || !parseInt(rest.substr(colon + 1), port) ||
            port < 1 || port > 65535) {
            throw UsageError{"\"" + link + "\" is not tcp:HOST:PORT"};
        }
        kind = 2;
        handle = kvxglib::openTcpLink(session.library(), rest.substr(0, colon),
                                      static_cast<uint16_t>(port), &why);
    } else if (link == "serial") {  // link 0: the port of Kvxmatic.Ini
        clink::Connection& connection = session.program().connection;
        connection.CommKind = 1;
        connection.CurrentLink = 0;
        connection.CurrentPLA = address.pla;
        connection.CurrentELA = address.ela;
        return true;
    } else if (link.rfind("serial:", 0) == 0 && link.size() > 7) {
        kind = 1;
        handle = kvxglib::openSerialLink(session.library(), link.substr(7), 0, &why);
    } else {
        throw UsageError{"\"" + link + "\" is neither tcp:HOST:PORT, serial:PATH nor serial"};
    }
    if (handle == 0) {
        std::cerr << "error: cannot open " << link << ": " << why << '\n';
        return false;
    }
    clink::Connection& connection = session.program().connection;
    connection.CommKind = kind;
    connection.CurrentLink = handle;
    connection.CurrentPLA = address.pla;
    connection.CurrentELA = address.ela;
    return true;
}

}  // namespace cli
