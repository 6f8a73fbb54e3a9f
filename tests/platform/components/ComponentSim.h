#pragma once
// kvxsim on a network file of the test's, reached through the real general library on a
// machine folder of its own: what the component tests against the simulator start from.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/comm/LinkAccess.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/image/ImageFile.h"
#include "platform/kvxglib/TcpLinks.h"
#include "sim/SimProcess.h"
#include "support/FakeUi.h"
#include "support/ImageSigning.h"
#include "support/TempFolder.h"

namespace testsupport {

// An application image of `model` whose bytes follow from `seed`, unsigned.
inline image::Image testApplication(uint16_t model, uint8_t seed) {
    image::Image i;
    i.kind = image::Kind::Application;
    i.model = model;
    i.name = "Program " + std::to_string(seed);
    i.payload.resize(30000);
    for (std::size_t n = 0; n < i.payload.size(); ++n) i.payload[n] = uint8_t(n * 7 + seed);
    return i;
}

class ComponentSim : public ::testing::Test {
  protected:
    // Starts the simulator (with `more` arguments); a reply is awaited `tcpTimeoutMs` at most.
    void start(const char* network, int tcpTimeoutMs, std::vector<std::string> more = {}) {
        temp.write("net.ini", network);
        // The controllers take only images signed with the tests' key.
        testsupport::writeTestKeyFile(temp / "image-key.pub");
        more.insert(more.begin(),
                    {"--network", temp / "net.ini", "--image-key", temp / "image-key.pub"});
        sim = std::make_unique<simtest::SimProcess>(more);
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        temp.write("machine/Kvxmatic.Ini",
                   "[Link]\nTcpTimeoutMs=" + std::to_string(tcpTimeoutMs) + "\n");
        lib = std::make_unique<kvxglib::RealLibrary>(boxes, temp / "machine");
    }
    int32_t open(const std::string& id) {
        const simtest::Endpoint at = sim->tcpEndpoint(id);
        std::string why;
        const int32_t handle = kvxglib::openTcpLink(*lib, at.host, at.port, &why);
        EXPECT_NE(handle, 0) << why;
        return handle;
    }
    comm::LinkAccess& links() { return kvxglib::linkAccess(*lib); }
    // Mod/Job.Job: Stop, Clear, Load (Mod/App.Kvx: `image`, signed with the tests' key), Start.
    void writeJob(const image::Image& image) {
        temp.write("Mod/Job.Job", "[Job]\n[Step]\nAction=Stop\n[Step]\nAction=Clear\n"
                                  "[Step]\nAction=Load\nImage=App.Kvx\n[Step]\nAction=Start\n");
        std::string why;
        EXPECT_TRUE(image::writeImageFile(temp / "Mod/App.Kvx", signedByTest(image), why)) << why;
    }

    TempFolder temp;
    ScriptedMessageBoxes boxes;
    FakeScreen screen;
    std::unique_ptr<simtest::SimProcess> sim;
    std::unique_ptr<kvxglib::RealLibrary> lib;
};

}  // namespace testsupport
