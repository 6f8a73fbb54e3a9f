#pragma once
// Pieces every subcommand shares: the machine folder option, the catalogue selection options,
// row and number checks, and opening a link from its text ("tcp:HOST:PORT", "serial:PATH",
// "serial").
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "operations/Links.h"
#include "operations/WholeNumber.h"

namespace kvxglib {
class RealLibrary;
}

namespace cli {

void addMachineOption(CLI::App& command, std::string& machineDir, const std::string& extra = "");
// --no-compress, for every command that sends an image.
void addNoCompressFlag(CLI::App& command, bool& noCompress);
// --model, a positive number, and --program, a row number or a revision's text;
// `required` for the commands that need a program.
void addSelectionOptions(CLI::App& command, int& model, std::string& program, bool required);

// UsageError unless 1 <= row <= count, in words: "model 0: models are numbered from 1",
// "program 3: there are only 2 programs of model 1" (`where` is " of model 1").
void checkRow(int row, size_t count, const std::string& what, const std::string& where = "");
using operations::parseNumber;
// A switch as typed: the controller's own -1 and 0 (and 1), true/false, yes/no, on/off (any case);
// nothing for another text.
std::optional<bool> parseBoolean(std::string_view text);

// Where a controller command finds its controller: a link given by its text, or the controller
// with a serial number found on the network and connected as the window connects it (with its
// network password from stdin, or asked for at the prompt).
struct LinkChoice {
    std::string link;
    std::string serial;
    bool passwordStdin = false;
};

// --link, --serial and --password-stdin. `serialHelp` empty: --serial excludes --link.
void addLinkChoiceOptions(CLI::App& command, LinkChoice& choice,
                          const std::string& serialHelp = "");
// UsageError unless the choice names a controller.
void checkLinkChoice(const LinkChoice& choice);

using operations::OpenedLink;

// UsageError for a malformed text, LinkError when the link cannot be opened. "serial" alone is
// link 0, the port Kvxmatic.Ini names; `baud` 0 takes the Baud of Kvxmatic.Ini.
OpenedLink openLink(kvxglib::RealLibrary& library, const std::string& link, uint32_t baud);

}  // namespace cli
