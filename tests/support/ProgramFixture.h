#pragma once
// A program on the real file-side libraries, in a temporary machine folder, with scripted
// message boxes, a fake screen and a fake clock.
#include <memory>
#include <string>

#include "app/Program.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/FileSystem.h"
#include "support/FakeComponents.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

namespace testsupport {

class ProgramFixture {
public:
    // With `demo` the repository's demo installation is copied in; otherwise the machine
    // folder holds a Kvxmatic.Ini naming the product folder "product".
    explicit ProgramFixture(bool demo = true);

    // Messages shown so far, one text each.
    std::vector<std::string> messages() const;

    TempFolder temp;
    std::string machineDir;
    std::string productDir;
    ScriptedMessageBoxes boxes;
    FakeScreen screen;
    FakeClock clock;
    FakeComponentFactory components;
    os::RealFileSystem files;
    std::unique_ptr<kvxglib::RealLibrary> glib;
    kvxnam::RealLibrary nam;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<app::Program> program;
};

}  // namespace testsupport
