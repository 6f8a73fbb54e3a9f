#include "support/ProgramFixture.h"

namespace testsupport {

ProgramFixture::ProgramFixture(bool demo) {
    if (demo) {
        machineDir = temp.copyDemo();
        productDir = temp / "demo/product";
    } else {
        machineDir = temp / "machine";
        productDir = temp / "product";
        temp.write("machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=" + productDir + "\n");
    }
    glib = std::make_unique<kvxglib::RealLibrary>(boxes, machineDir);
    platform = std::make_unique<Platform>(Platform{*glib, nam, screen, files, clock, components});
    program = std::make_unique<app::Program>(*platform);
}

std::vector<std::string> ProgramFixture::messages() const {
    std::vector<std::string> texts;
    for (const ShownMessage& m : boxes.shown) texts.push_back(m.text);
    return texts;
}

}  // namespace testsupport
