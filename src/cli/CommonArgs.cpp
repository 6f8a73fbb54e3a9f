#include "cli/CommonArgs.h"

#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "operations/Selection.h"
#include "platform/os/NativePath.h"

namespace cli {

void addMachineOption(CLI::App& command, std::string& machineDir, const std::string& extra) {
    command.add_option("--machine", machineDir,
                       "machine folder holding Kvxmatic.Ini" + extra +
                           " (default $KRELVAN_MACHINE_DIR or ~/.config/krelvan)");
}

void addNoCompressFlag(CLI::App& command, bool& noCompress) {
    command.add_flag("--no-compress", noCompress,
                     "send the image's blocks plain, never compressed (by default they travel "
                     "compressed where the controller offers it and the link is slow enough for "
                     "it to pay, such as a serial bus); what the controller stores is the same");
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
    if (auto problem = operations::rowProblem(row, count, what, where)) throw UsageError{*problem};
}

std::optional<bool> parseBoolean(std::string_view text) {
    // 1 as well: `tcpip get` prints switches as 1 or 0, and scripts feed that back.
    static const std::pair<const char*, bool> words[] = {
        {"-1", true},   {"1", true},   {"0", false}, {"true", true}, {"false", false},
        {"yes", true},  {"no", false}, {"on", true}, {"off", false}};
    for (const auto& [word, value] : words)
        if (os::equalsIgnoreCase(std::string(text), word)) return value;
    return std::nullopt;
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
                     "read the network password from the first line of stdin (with --serial; "
                     "with --link tcp:IP:PORT the controller there is asked who it is and the "
                     "link is sealed for it)");
}

void checkLinkChoice(const LinkChoice& choice) {
    if (choice.link.empty() && choice.serial.empty())
        throw UsageError{"give --link or --serial: which controller?"};
}

OpenedLink openLink(kvxglib::RealLibrary& library, const std::string& link, uint32_t baud) {
    operations::LinkProblem problem;
    const std::optional<OpenedLink> opened = operations::openLink(library, link, baud, problem);
    if (opened) return *opened;
    if (problem.malformed) throw UsageError{problem.why};
    throw LinkError{problem.why};
}

}  // namespace cli
