#pragma once
// A general library on a fresh machine folder with a product folder beside it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kvxglib/RealLibrary.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

class RecordingLauncher final : public kvxglib::ProcessLauncher {
  public:
    bool launch(const std::vector<std::string>& argv,
                const std::string& workingDirectory) override {
        launched.push_back(argv);
        directories.push_back(workingDirectory);
        return succeed;
    }
    std::vector<std::vector<std::string>> launched;
    std::vector<std::string> directories;
    bool succeed = true;
};

class LibraryTest : public ::testing::Test {
  protected:
    LibraryTest() {
        temp.write("machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=../Product\n");
        temp.write("Product/Texts/.keep", "");
    }
    std::string machine() const { return temp / "machine"; }
    std::string product() const { return temp / "Product"; }

    testsupport::TempFolder temp;
    testsupport::ScriptedMessageBoxes boxes;
    RecordingLauncher launcher;
    kvxglib::RealLibrary lib{boxes, temp / "machine", launcher};
};
