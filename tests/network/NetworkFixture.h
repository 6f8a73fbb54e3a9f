#pragma once
// A program on the real file-side libraries with a scripted TCP/IP network and input boxes.
#include <gtest/gtest.h>

#include "app/Program.h"
#include "catalogue/Texts.h"
#include "network/FakeFinder.h"
#include "support/ProgramFixture.h"

namespace networktest {

class NetworkTest : public ::testing::Test {
  protected:
    NetworkTest() {
        fixture.platform->finders = &factory;
        fixture.platform->input = &input;
    }
    app::Program& program() { return *fixture.program; }
    std::string text(int n) { return catalogue::GetText(*fixture.glib, n); }

    testsupport::ProgramFixture fixture;
    FakeNetwork net;
    FakeFinderFactory factory{net};
    ScriptedInput input;
};

}  // namespace networktest
