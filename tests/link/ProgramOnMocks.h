#pragma once
// A program on lenient mocks of both libraries, with module "Module01" of project handle 7
// selected and link 3 current; texts come back as the library gives them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Program.h"
#include "platform/os/FileSystem.h"
#include "support/FakeComponents.h"
#include "support/FakeUi.h"
#include "support/MockLibraries.h"

namespace linktest {

class ProgramOnMocks : public ::testing::Test {
  protected:
    ProgramOnMocks() {
        using ::testing::_;
        program.catalogue.SelectedModuleDirectory = "Module01";
        program.catalogue.ProjectNameHandle = 7;
        program.connection.CurrentLink = 3;
        ON_CALL(glib, LastPathName("Module01")).WillByDefault(::testing::Return("Module01"));
        ON_CALL(glib, CopyText)
            .WillByDefault(::testing::Invoke(testsupport::copyTextLikeTheLibrary));
    }

    ::testing::NiceMock<testsupport::MockGlib> glib;
    ::testing::NiceMock<testsupport::MockNam> nam;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    testsupport::FakeComponentFactory components;
    os::RealFileSystem files;
    Platform platform{glib, nam, screen, files, clock, components};
    app::Program program{platform};
};

}  // namespace linktest
