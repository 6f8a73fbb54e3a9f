#include <charconv>
#include <cmath>
#include <iostream>

#include "app/Program.h"
#include "cli/ControllerCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/VariableArgs.h"
#include "network/ControllerLookup.h"
#include "network/TcpIpSettings.h"
#include "operations/TerminalInput.h"
#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/secure/PasswordCharacters.h"
#include "platform/sysvars/Secrets.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"

namespace cli {
namespace {

namespace vt = kvxglib::vt;

struct WriteArgs {
    VariableArgs variable;
    bool valueGiven = false;
    bool newPasswordStdin = false;
};

bool holdsPassword(const VariableArgs& args) {
    return args.file >= 0 && args.file <= 65535 && args.index >= INT32_MIN &&
           args.index <= INT32_MAX &&
           sysvars::sensitivityOf(static_cast<uint16_t>(args.file),
                                  static_cast<int32_t>(args.index)) == sysvars::Sensitivity::Secret;
}

// Whether a password may be written on this link, said before anything is sent. A sealed link
// carries any. A plain one carries only a controller's first network password: on TCP only
// to a controller found by its serial number that says it has none (and is not known to have
// one: that link would be sealed); on a serial line the controller itself refuses it once it
// has one. Over --link tcp: the host knows nothing of the controller at the other end.
bool mayWritePassword(ControllerLink& link, const WriteArgs& args, std::ostream& err) {
    const comm::ExchangeEngine* engine = kvxglib::linkAccess(link.library()).engine(link.handle());
    if (engine != nullptr && engine->carriesSecrets()) return true;
    const VariableArgs& v = args.variable;
    const std::string where = " of file " + std::to_string(v.file) + " index " +
                              std::to_string(v.index) + " would travel in clear on " + link.name();
    if (!sysvars::isNetworkPassword(static_cast<uint16_t>(v.file), static_cast<int32_t>(v.index))) {
        err << "error: the password" << where
            << "; web and e-mail passwords travel only on a password-protected link: reach the "
               "controller with --serial SN and its network password. Nothing was sent.\n";
        return false;
    }
    const std::string& serial = v.link.choice.serial;
    if (serial.empty() && !v.link.choice.link.starts_with("tcp:")) {
        err << network::kFirstPasswordSerial << '\n';
        return true;
    }
    if (serial.empty()) {
        err << "error: the network password" << where
            << ", and over a plain --link nothing is known of the controller there: reach it "
               "with --serial SN, or give its current network password with --password-stdin. "
               "Nothing was sent.\n";
        return false;
    }
    app::Program& program = link.program();
    // A current password was given, so the controller was to have one, yet the link is plain:
    // what answered may be posing as the controller. The new one is not handed to it.
    if (!program.comm.NetworkPassword.empty()) {
        err << "error: the network password" << where
            << ": a network password was given, but the controller " << serial
            << " did not take the link's password protection. Nothing was sent.\n";
        return false;
    }
    const int16_t found = network::FindControllerBySerial(program, serial, false);
    if (found < 0) {
        err << "error: the controller " << serial << " is no longer found. Nothing was sent.\n";
        return false;
    }
    const auto& reported = program.comm.finder->Item(found).reported();
    if (reported.passwordSet || reported.encryptionRequired) {
        err << "error: the network password" << where << ": the controller " << serial
            << " has a network password; give it (--password-stdin or at the prompt) and the new "
               "one travels sealed. Nothing was sent.\n";
        return false;
    }
    err << network::kFirstPassword << '\n';
    return true;
}

bool isUtf8(std::string_view bytes) {
    std::string copy(bytes);
    const bool utf8 = text::isUtf8(copy);
    secure::wipe(copy.data(), copy.size());
    return utf8;
}

// The new password: from the next line of stdin (after the current network password, which
// --password-stdin reads first), or asked for twice with the echo off. Into the wiped buffer.
secure::Secret newPassword(const WriteArgs& args, const std::string& what) {
    std::optional<secure::Secret> password;
    if (args.newPasswordStdin) {
        password = operations::readSecretLine(std::cin);
        if (!password) throw UsageError{"no new password on stdin"};
    } else {
        operations::TerminalInput input;
        password = input.askPassword("New " + what + ":", "");
        const std::optional<secure::Secret> again = input.askPassword("The same again:", "");
        if (!password || !again) throw UsageError{"no new password was given"};
        if (password->text() != again->text()) throw UsageError{"the two passwords differ"};
    }
    const VariableArgs& v = args.variable;
    const sysvars::Variable* variable =
        sysvars::findByNumber(static_cast<uint16_t>(v.file), static_cast<int32_t>(v.index));
    // The e-mail login is the mail server's, whatever it allows; the others are ours.
    const bool email = variable != nullptr && variable->name == "EmailLoginPass";
    if (email ? !isUtf8(password->text()) : !secure::isValidPassword(password->text())) {
        throw UsageError{email ? "the password is not UTF-8"
                               : "a password holds at most 64 printable ASCII characters, without "
                                 "space, quotes, backquote and backslash"};
    }
    return *password;
}

long parseInteger(const std::string& text, long min, long max) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        throw UsageError{"value \"" + text + "\" is not a whole number in " + std::to_string(min) +
                         ".." + std::to_string(max)};
    }
    return value;
}

int16_t booleanValue(const std::string& text) {
    if (const std::optional<bool> value = parseBoolean(text)) return *value ? -1 : 0;
    throw UsageError{"value \"" + text + "\" is not a Boolean (true/false, yes/no, on/off, -1/1/0)"};
}

float parseReal(const std::string& text) {
    try {
        std::size_t used = 0;
        const float value = std::stof(text, &used);
        if (used == text.size() && std::isfinite(value)) return value;
    } catch (const std::exception&) {
    }
    throw UsageError{"value \"" + text + "\" is not a real number"};
}

int send(const Options& options, ControllerLink& link, const VariableArgs& args,
         kvxglib::Variant& value) {
    kvxglib::VarRef ref = makeVarRef(args, link.address());
    int32_t status = 0;
    if ((link.library().WriteVariable(link.handle(), &ref, &value, 1, 0,
                                      static_cast<int32_t>(0x80000000u), &status, u"") &
         0xFFFF) == 0) {
        std::cerr << "error: write of file " << args.file << " index " << args.index << " at "
                  << link.addressText() << " on " << link.name() << ": " << describeStatus(status)
                  << '\n';
        return exitcode::Failed;
    }
    printResult(std::cout, chooseFormat(options.json), {{"written", true}}, "");
    return exitcode::Ok;
}

// The UTF-16 text of a password; the UTF-8 copy on the way is wiped.
std::u16string wide(std::string_view utf8) {
    std::string copy(utf8);
    std::u16string text = text::toWide(copy);
    secure::wipe(copy.data(), copy.size());
    return text;
}

// A password is never taken from the command line (it would stay in the shell's history and
// the process list): it comes from a prompt or stdin once the link is open, and only where it
// may travel.
int runWritePassword(const Options& options, const WriteArgs& writeArgs,
                     const kvxglib::VarRef& checked) {
    const VariableArgs& args = writeArgs.variable;
    if (writeArgs.valueGiven) {
        throw UsageError{
            "a password is not taken from the command line: leave the value out "
            "to be asked for it, or give --new-password-stdin"};
    }
    if (checked.type != 5) throw UsageError{"a password is text: --type text"};
    ControllerLink link(args.link, std::cerr);
    if (!mayWritePassword(link, writeArgs, std::cerr)) return exitcode::Failed;
    const bool network = sysvars::isNetworkPassword(static_cast<uint16_t>(args.file),
                                                    static_cast<int32_t>(args.index));
    const secure::Secret password =
        newPassword(writeArgs, network ? "network password" : "password");
    // The library takes the text as UTF-16: that copy is wiped once the write is done.
    std::u16string text = wide(password.text());
    kvxglib::Variant value{vt::ByRef | vt::BStr, 0, 0, 0, &text};
    const int result = send(options, link, args, value);
    secure::wipe(text.data(), text.size() * sizeof(char16_t));
    return result;
}

int runWrite(const Options& options, const WriteArgs& writeArgs) {
    const VariableArgs& args = writeArgs.variable;
    const kvxglib::VarRef checked = makeVarRef(args, {});  // told before the link opens
    if (holdsPassword(args)) return runWritePassword(options, writeArgs, checked);
    if (writeArgs.newPasswordStdin)
        throw UsageError{"--new-password-stdin is for the password variables only"};
    if (!writeArgs.valueGiven) throw UsageError{"the value to write is missing"};
    int16_t small = 0;
    float real = 0;
    int32_t number = 0;
    std::u16string text;
    kvxglib::Variant value;
    switch (checked.type) {
        case 1:
            small = booleanValue(args.value);
            value = {vt::ByRef | vt::Bool, 0, 0, 0, &small};
            break;
        case 2:
        case 3:
            small = static_cast<int16_t>(parseInteger(args.value, INT16_MIN, INT16_MAX));
            value = {vt::ByRef | vt::I2, 0, 0, 0, &small};
            break;
        case 4:
            real = parseReal(args.value);
            value = {vt::ByRef | vt::R4, 0, 0, 0, &real};
            break;
        case 5:
            if (!text::isUtf8(args.value)) throw UsageError{"the text is not UTF-8"};
            text = text::toWide(args.value);
            value = {vt::ByRef | vt::BStr, 0, 0, 0, &text};
            break;
        default:
            number = static_cast<int32_t>(parseInteger(args.value, INT32_MIN, INT32_MAX));
            value = {vt::ByRef | vt::I4, 0, 0, 0, &number};
            break;
    }
    ControllerLink link(args.link, std::cerr);
    return send(options, link, args, value);
}

}  // namespace

void addWriteCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<WriteArgs>();
    CLI::App* cmd = app.add_subcommand("write", "Write one variable by file, index and type");
    addVariableOptions(*cmd, args->variable);
    CLI::Option* value = cmd->add_option(
        "value", args->variable.value,
        "the value (Booleans: true/false); none for a password, which is asked for");
    cmd->add_flag("--new-password-stdin", args->newPasswordStdin,
                  "for a password variable: read the new password from stdin (the line after the "
                  "current network password when --password-stdin is given too)");
    cmd->callback([&options, args, value] {
        args->valueGiven = value->count() > 0;
        options.run = [&options, args] { return runWrite(options, *args); };
    });
}

}  // namespace cli
