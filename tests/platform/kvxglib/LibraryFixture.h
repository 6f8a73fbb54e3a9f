#pragma once
// A general library on a fresh machine folder with a product folder beside it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kvxglib/RealLibrary.h"
#include "support/FakeUi.h"
#include "support/RecordingLauncher.h"
#include "support/TempFolder.h"

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
