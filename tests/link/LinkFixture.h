#pragma once
// A program on a strict mock of the general library, with helpers that play one request
// exchange and record what the program handed over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/os/FileSystem.h"
#include "support/FakeComponents.h"
#include "support/FakeUi.h"
#include "support/MockLibraries.h"

namespace linktest {

constexpr int32_t Normal = static_cast<int32_t>(0x80000000u);
constexpr kvxglib::RequestHandle Request = 4711;

// One exchange as the library plays it, and what the program submitted.
struct Exchange {
    // the library's side
    int32_t bindResult = 1;
    bool starts = true;
    int pollsBeforeDone = 0;
    int32_t fetchResult = 1;
    std::vector<uint8_t> reply;  // bytes written into the reply buffer
    int16_t received = -1;       // length reported back; -1 = reply.size()
    int16_t code1 = 0;
    int16_t code2 = 0;
    std::string labelBack;  // when set, the library rewrites the label to it

    // the program's side, filled as the calls happen
    int32_t boundLink = -1;
    std::vector<uint8_t> bytes;
    int16_t option = -1;
    int32_t flags = 0;
    std::string label;
    int16_t capacity = -1;  // reply length handed to the fetch
    bool submitted = false;
    bool fetched = false;
    int polls = 0;
};

class LinkTest : public ::testing::Test {
  public:
    // Expects exactly the calls of one request exchange, in order.
    void expectExchange(Exchange& exchange);

    ::testing::StrictMock<testsupport::MockGlib> glib;
    ::testing::NiceMock<testsupport::MockNam> nam;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    testsupport::FakeComponentFactory components;
    os::RealFileSystem files;
    Platform platform{glib, nam, screen, files, clock, components};
    app::Program program{platform};
};

}  // namespace linktest
