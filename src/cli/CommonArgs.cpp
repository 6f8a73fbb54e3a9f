#include "cli/CommonArgs.h"

#include <charconv>

#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "platform/kvxglib/TcpLinks.h"

namespace cli {

void addMachineOption(CLI::App& command, std::string& machineDir, const std::string& extra) {
    command.add_option("--machine", machineDir,
                       "machine folder holding Kvxmatic.Ini" + extra +
                           " (default $KRELVAN_MACHINE_DIR or ~/.config/krelvan)");
}

void addSelectionOptions(CLI::App& command, int& model, std::string& program, bool required) {
    // The range is checked against the catalogue after parsing, in words.
    CLI::Option* modelOption = command.add_option("--model", model, "model number (from 1)");
    CLI::Option* programOption = command.add_option(
        "--program", program, "program row of the model (from 1), or its revision (e.g. 3.1-0-02)");
    if (required) {
        modelOption->required();
        programOption->required();
    } else {
        programOption->needs(modelOption);
    }
}

void checkRow(int row, size_t count, const std::string& what, const std::string& where) {
    const std::string plural = what + "s";
    const std::string at = what + " " + std::to_string(row) + ": ";
    if (row < 1) throw UsageError{at + plural + " are numbered from 1"};
    if (static_cast<size_t>(row) > count) {
        throw UsageError{
            at + (count == 0   ? "there are no " + plural + where
                  : count == 1 ? "there is only 1 " + what + where
                               : "there are only " + std::to_string(count) + " " + plural + where)};
    }
}

void addLinkChoiceOptions(CLI::App& command, LinkChoice& choice, const std::string& serialHelp) {
    CLI::Option* link =
        command.add_option("--link", choice.link,
                           "tcp:HOST:PORT, serial:PATH, or serial for the Port of Kvxmatic.Ini");
    CLI::Option* serial = command.add_option(
        "--serial", choice.serial,
        serialHelp.empty() ? "instead of --link: the controller with this serial number, found on "
                             "the TCP/IP network (with its network password where it needs one)"
                           : serialHelp);
    if (serialHelp.empty()) serial->excludes(link);
    command.add_flag("--password-stdin", choice.passwordStdin,
                     "with --serial: read the network password from the first line of stdin "
                     "(else it is asked for)");
}

void checkLinkChoice(const LinkChoice& choice) {
    if (choice.link.empty() && choice.serial.empty())
        throw UsageError{"give --link or --serial: which controller?"};
}

bool parseNumber(std::string_view text, long min, long max, long& out) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        return false;
    }
    out = value;
    return true;
}

OpenedLink openLink(kvxglib::RealLibrary& library, const std::string& link, uint32_t baud) {
    std::string why;
    if (link == "serial") {
        if (!kvxglib::openLinkZero(library, why)) throw LinkError{why};
        return {0, 1};
    }
    if (link.rfind("serial:", 0) == 0) {
        const std::string path = link.substr(7);
        if (path.empty()) throw UsageError{"serial: needs a device path"};
        const int32_t handle = kvxglib::openSerialLink(library, path, baud, &why);
        if (handle == 0) throw LinkError{"cannot open " + link + ": " + why};
        return {handle, 1};
    }
    if (link.rfind("tcp:", 0) == 0) {
        const std::string rest = link.substr(4);
        const auto colon = rest.rfind(':');
        long port = 0;
        if (colon == std::string::npos || colon == 0 ||
            !parseNumber(std::string_view(rest).substr(colon + 1), 1, 65535, port)) {
            throw UsageError{"link \"" + link + "\" is not tcp:HOST:PORT"};
        }
        std::string host = rest.substr(0, colon);
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
        const int32_t handle =
            kvxglib::openTcpLink(library, host, static_cast<uint16_t>(port), &why);
        if (handle == 0) throw LinkError{"cannot open " + link + ": " + why};
        return {handle, 2};
    }
    throw UsageError{"link \"" + link + "\" is neither tcp:HOST:PORT, serial:PATH nor serial"};
}

}  // namespace cli
