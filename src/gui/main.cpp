// krelvan: the main window on the real platform.
#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QStatusBar>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "gui/WindowProgram.h"
#include "platform/kvxglib/MachineConfig.h"
#include "platform/ui/Display.h"

namespace {

bool asksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help" || argument == "--help-all") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (!asksForHelp(argc, argv) && !ui::hasDisplay()) {
        std::cerr << "krelvan: no display (DISPLAY and WAYLAND_DISPLAY are not set); "
                     "krelvan-cli offers the same operations without windows\n";
        return 2;
    }
    // Help is answered without a display; otherwise Qt takes its own options (-platform, ...)
    // out of the arguments before ours are read.
    std::unique_ptr<QCoreApplication> application =
        asksForHelp(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName("krelvan");
    QCommandLineParser parser;
    parser.setApplicationDescription("Krelvan: commissioning of building-automation controllers");
    parser.addHelpOption();
    const QCommandLineOption machineOption(
        "machine",
        "The machine folder holding Kvxmatic.Ini (default: $KRELVAN_MACHINE_DIR, "
        "else ~/.config/krelvan).",
        "DIR");
    parser.addOption(machineOption);
    parser.process(*application);  // exits on help or a bad argument
    const std::string machineDir = parser.isSet(machineOption)
                                       ? parser.value(machineOption).toStdString()
                                       : kvxglib::machineDirFromEnvironment();
    // The tools started from the window (settings tool, link tool) work on the same folder.
    ::setenv("KRELVAN_MACHINE_DIR", machineDir.c_str(), 1);

    gui::WindowProgram app(machineDir);
    app.load();
    // Which installation the window shows is the first thing to check when it looks empty.
    const std::string shownFolder = app.glib.machineConfig().machineDir();
    app.window.statusBar()->addPermanentWidget(
        new QLabel(QString::fromStdString("Machine folder: " + shownFolder)));
    app.window.show();
    return QApplication::exec();
}
