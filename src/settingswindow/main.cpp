// SettingsTool: saves the settings of the controller Krelvan is connected to, or loads them
// back. Krelvan starts it with PORT, PLA, ELA, PATH, CNAME and DPAC; scripts add
// "--batch save|load FILE" and get the progress on stdout instead of a window.
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "operations/Session.h"
#include "operations/TerminalInput.h"
#include "platform/secure/SecretLine.h"
#include "platform/ui/Display.h"
#include "settingstool/SettingsJob.h"
#include "settingstool/ToolLink.h"
#include "settingstool/ToolPassword.h"
#include "settingswindow/ToolWindow.h"

namespace {

constexpr const char* kUsage =
    "Usage: SettingsTool [--batch save|load FILE] [--password-stdin] PORT=N PLA=N ELA=N "
    "PATH=DIR CNAME=NAME DPAC=PACKAGE\n"
    "Saves the values of the settings package DPAC from the controller PLA:ELA to a settings\n"
    "file, or loads a saved file back into the controller. PORT is the link handle of the\n"
    "program that started the tool (looked up in the machine folder), 0 for the serial link\n"
    "of Kvxmatic.Ini. PATH and CNAME name the project folder and the module whose variable\n"
    "names are used. Without --batch a window offers both.\n"
    "  --batch save FILE   save without a window, progress on stdout\n"
    "  --batch load FILE   load without a window, progress on stdout\n"
    "  --password-stdin    read the controller's network password from the first line of\n"
    "                      stdin; without it the tool asks in a masked dialog, or in batch\n"
    "                      mode at a prompt when stdin is a terminal. Only a controller that\n"
    "                      requires the password is asked; the password is never stored.\n"
    "  --help              this text\n"
    "Exit status: 0 done, 1 failed (the reason on stderr), 2 bad arguments.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> rest;
    std::string verb;
    std::string file;
    bool passwordStdin = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (argument == "--batch") {
            if (i + 2 >= argc) {
                std::cerr << "usage error: --batch needs save or load and a file\n" << kUsage;
                return 2;
            }
            verb = argv[++i];
            file = argv[++i];
            if (verb != "save" && verb != "load") {
                std::cerr << "usage error: --batch " << verb << ": expected save or load\n";
                return 2;
            }
            continue;
        }
        if (argument == "--password-stdin") {
            passwordStdin = true;
            continue;
        }
        rest.push_back(argument);
    }
    std::string why;
    const std::optional<settingstool::ToolArguments> arguments =
        settingstool::parseToolArguments(rest, why);
    if (!arguments) {
        std::cerr << "usage error: " << why << '\n' << kUsage;
        return 2;
    }
    if (verb.empty() && !ui::hasDisplay()) {
        std::cerr << "SettingsTool: no display (DISPLAY and WAYLAND_DISPLAY are not set); use "
                     "--batch save|load FILE\n";
        return 2;
    }

    // The window's toolkit is up before the link opens: the password dialog needs it.
    std::unique_ptr<QApplication> application;
    if (verb.empty()) application = std::make_unique<QApplication>(argc, argv);
    const settingstool::AskPassword ask =
        [&](const std::string& linkName) -> std::optional<secure::Secret> {
        if (passwordStdin) return secure::readSecretLine(std::cin);
        if (application) return settingstool::askPasswordInWindow(linkName);
        std::optional<secure::Secret> typed = settingstool::passwordFromTerminal(linkName);
        if (!typed && isatty(STDIN_FILENO) == 0)
            std::cerr << "SettingsTool: stdin is not a terminal; give the password on stdin "
                         "with --password-stdin\n";
        return typed;
    };
    const auto fail = [&application](const std::string& reason) {
        std::cerr << "error: " << reason << '\n';
        if (application)
            QMessageBox::critical(nullptr, "Save/Load settings", QString::fromStdString(reason));
        return 1;
    };

    operations::TerminalInput terminal;
    operations::Session session("", std::cerr, &terminal);
    app::Program& program = session.program();
    const int32_t link =
        settingstool::openToolLink(session.library(), arguments->port, getppid(), ask, why);
    if (link < 0) return fail(why);
    program.connection.CommKind = link == 0 ? 1 : 2;
    program.connection.CurrentLink = link;
    program.connection.CurrentPLA = arguments->pla;
    program.connection.CurrentELA = arguments->ela;
    settingstool::SettingsJob job(program, *arguments);
    if (!job.prepare(why)) return fail(why);

    if (!verb.empty()) {
        const bool saving = verb == "save";
        const settingstool::Progress progress = [saving](size_t position, size_t count,
                                                         const std::string& name) {
            std::cout << (saving ? "reading " : "writing ") << position << '/' << count << ' '
                      << name << std::endl;
        };
        const bool ok = saving ? job.save(file, progress, why) : job.load(file, progress, why);
        if (!ok) {
            std::cerr << "error: " << why << '\n';
            return 1;
        }
        std::cout << (saving ? "saved to " : "loaded from ") << file << '\n';
        return 0;
    }

    std::unique_ptr<QWidget> window = settingstool::makeToolWindow(job, *arguments);
    window->show();
    return QApplication::exec();
}
