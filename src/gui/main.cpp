// krelvan: the main window on the real platform.
#include <QApplication>
#include <QCommandLineParser>

#include "app/Program.h"
#include "gui/FormMainView.h"
#include "gui/QtMessageBoxes.h"
#include "gui/QtScreen.h"
#include "platform/kvxglib/MachineConfig.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("krelvan");

    QCommandLineParser parser;
    parser.setApplicationDescription("Krelvan: commissioning of building-automation controllers");
    parser.addHelpOption();
    const QCommandLineOption machineOption(
        "machine",
        "The machine folder holding Kvxmatic.Ini (default: $KRELVAN_MACHINE_DIR, "
        "else ~/.config/krelvan).",
        "DIR");
    parser.addOption(machineOption);
    parser.process(application);
    const std::string machineDir = parser.isSet(machineOption)
                                       ? parser.value(machineOption).toStdString()
                                       : kvxglib::machineDirFromEnvironment();

    os::RealFileSystem files;
    os::SteadyClock clock;
    gui::QtScreen screen;
    gui::QtMessageBoxes boxes;
    kvxglib::RealLibrary glib(boxes, machineDir);
    kvxnam::RealLibrary nam;
    Platform platform{glib, nam, screen, files, clock};
    app::Program program(platform);

    gui::FormMainView window(program);
    screen.setRefresh([&window] { window.binder().refresh(); });
    boxes.setRefresh([&window] { window.binder().refresh(); });
    window.load();
    window.show();
    return QApplication::exec();
}
