// By-name access through the real libraries against kvxsim: the demo's KVX300C program names
// the variables, a KVXreal C and an older controller answer on loopback.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/ByName.h"
#include "link/Module.h"
#include "link/TypedAccess.h"
#include "link/VarName.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/text/Text.h"
#include "sim/SimProcess.h"
#include "support/ProgramFixture.h"

namespace {

constexpr int32_t Normal = static_cast<int32_t>(0x80000000u);

const char* kNetwork = R"([Simulator]
ColdStartMs=0

[Controller Gate]
Serial=SN-GATE
KvxrealC=yes
Address=12:3
Listen=127.0.0.1:0

[Partition Gate 16]
Name=Heating

[Controller Old]
Serial=SN-OLD
Address=2:1
Listen=127.0.0.1:0
)";

// Every name the program uses, but the controller's own address (it moves the controller).
const char* kNames[] = {"QSystem.ActivePartition",
                        "QSystem.ActiveSubApplication",
                        "QSystem.FlashMemTot",
                        "QSystem.FlashMemUsed",
                        "QSystem.Ver_Major",
                        "QSystem.Ver_Minor",
                        "QSystem.Ver_Branch",
                        "QSystem.Ver_Number",
                        "QSystem.ControllerName",
                        "QSystem.ControllerDescription",
                        "QCom.ConfIP",
                        "QCom.ConfSubNet",
                        "QCom.ConfGW1",
                        "QCom.ConfDNS1",
                        "QCom.ConfDNSName",
                        "QCom.DHCPEnable",
                        "QCom.CommitIPSettings",
                        "QCom.EncryptionRequired",
                        "QCom.EncryptionPassword1",
                        "QCom.EncryptionPassword2",
                        "QCom.EncryptionPassword3",
                        "QCom.EncryptionPassword4",
                        "QCom.EncryptionPasswordPrimary",
                        "QCom.EncryptionCommitSettings",
                        "QCom.MainComputerAddr",
                        "QCom.MainComputerConnectEnable",
                        "QServices.HttpEnable",
                        "QServices.HttpPort",
                        "QServices.HttpActiveSitePartition",
                        "QServices.HttpActiveSubSite",
                        "QServices.HttpCommitSettings",
                        "QServices.BACnetIpEnable",
                        "QServices.BACnetIpUDPport",
                        "QServices.BACnetDeviceID",
                        "Qservices.BACnetCommitSettings"};

class ByNameOnKvxsim : public ::testing::Test {
  protected:
    void SetUp() override {
        fixture.temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", fixture.temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        app::FormMain& form = program().formMain;
        form.Form_Load();
        form.CtrlModels_ItemClick(3);  // KVX300C, revision 3.1
        form.CtrlPrograms_ItemClick(2);
        ASSERT_NE(program().catalogue.ProjectNameHandle, 0);
    }

    void connect(const std::string& id, int16_t pla, int16_t ela) {
        const simtest::Endpoint where = sim->tcpEndpoint(id);
        std::string why;
        const int32_t link = kvxglib::openTcpLink(*fixture.glib, where.host, where.port, &why);
        ASSERT_NE(link, 0) << why;
        program().connection.CurrentLink = link;
        program().connection.CurrentPLA = pla;
        program().connection.CurrentELA = ela;
    }

    bool read(int16_t pla, int16_t ela, const std::string& name, clink::VarValue& value) {
        int32_t status = 0;
        return clink::ReadVar(program(), pla, ela, name, value, Normal, status);
    }
    bool write(int16_t pla, int16_t ela, const std::string& name, const clink::VarValue& value) {
        int32_t status = 0;
        return clink::WriteVar(program(), pla, ela, name, value, Normal, status);
    }

    app::Program& program() { return *fixture.program; }

    testsupport::ProgramFixture fixture;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(ByNameOnKvxsim, EveryNamedVariableRoundTripsOnAKvxrealC) {
    connect("Gate", 12, 3);
    int n = 0;
    std::string networkPassword;
    bool sealed = false;
    std::vector<const char*> webPasswords;  // they wait for the sealed link
    auto roundTripText = [&](const char* name, const clink::ResolvedVar& var) {
        ASSERT_TRUE(write(12, 3, name, int32_t{n}));
        std::u16string text;
        int32_t status = 0;
        ASSERT_TRUE(clink::ReadText(program().platform.glib, program().connection.CurrentLink, 12,
                                    3, var.file, 0, var.index, text, Normal, status, u""));
        // The network password is kept only as its verifier: its variable reads empty.
        const bool password = std::string(name) == "QCom.EncryptionPasswordPrimary";
        if (password) networkPassword = std::to_string(n);
        EXPECT_EQ(text, password ? u"" : text::toWide(std::to_string(n)));
        ++n;
    };
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        clink::ResolvedVar var;
        ASSERT_TRUE(clink::ResolveVarName(program(), name, var));
        clink::VarValue before;
        if (var.type == 5) {
            // Segment-addressed texts are written by name but read by number only.
            EXPECT_FALSE(read(12, 3, name, before));
            const bool webPassword = std::string(name).rfind("QCom.EncryptionPassword", 0) == 0 &&
                                     std::string(name) != "QCom.EncryptionPasswordPrimary";
            if (webPassword && !sealed) {
                // A web password never travels on a plain link: the library refuses it.
                EXPECT_FALSE(write(12, 3, name, std::string("guest")));
                webPasswords.push_back(name);
                continue;
            }
            roundTripText(name, var);
            continue;
        }
        ASSERT_TRUE(read(12, 3, name, before));
        clink::VarValue sent;
        clink::VarValue expected;
        switch (var.type) {
            case 1:  // a Boolean comes back as 16-bit -1 or 0
                sent = std::get<int16_t>(before) == 0;
                expected = int16_t(std::get<int16_t>(before) == 0 ? -1 : 0);
                break;
            case 2:
            case 3:  // sent as text, converted before the call
                sent = std::to_string(std::get<int16_t>(before) + 1) + ".5";
                expected = int16_t((std::get<int16_t>(before) + 1) % 2 == 0
                                       ? std::get<int16_t>(before) + 1
                                       : std::get<int16_t>(before) + 2);
                break;
            case 6:
                sent = double(std::get<int32_t>(before)) + 1000.0;
                expected = int32_t(std::get<int32_t>(before) + 1000);
                break;
            default:
                FAIL() << "type " << var.type;
        }
        // A commit flag is taken as it is written and falls back to false.
        if (std::string(name).find("Commit") != std::string::npos) expected = int16_t{0};
        ASSERT_TRUE(write(12, 3, name, sent));
        if (std::string(name) == "QCom.EncryptionCommitSettings") {
            // The commit took the password and the flag written above: from now on the
            // controller lets in only a link that proves that password.
            const simtest::Endpoint gate = sim->tcpEndpoint("Gate");
            std::string why;
            program().connection.CurrentLink = kvxglib::openSecureTcpLink(
                *fixture.glib, gate.host, gate.port, secure::Secret(networkPassword), &why);
            ASSERT_NE(program().connection.CurrentLink, 0) << why;
            sealed = true;
        }
        clink::VarValue after;
        ASSERT_TRUE(read(12, 3, name, after));
        EXPECT_EQ(after, expected);
    }
    ASSERT_TRUE(sealed);
    for (const char* name : webPasswords) {
        SCOPED_TRACE(name);
        clink::ResolvedVar var;
        ASSERT_TRUE(clink::ResolveVarName(program(), name, var));
        roundTripText(name, var);
    }

    // The controller's own address last: writing it moves the controller.
    clink::VarValue value;
    ASSERT_TRUE(read(255, 30, "QSystem.PLA", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{12}));
    ASSERT_TRUE(write(12, 3, "QSystem.PLA", int16_t{13}));
    ASSERT_TRUE(read(13, 3, "QSystem.PLA", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{13}));
    ASSERT_TRUE(write(13, 3, "QSystem.ELA", std::string("4")));
    ASSERT_TRUE(read(13, 4, "QSystem.ELA", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{4}));
}

TEST_F(ByNameOnKvxsim, AnOlderControllerHasItsAddressButNotTheKvxrealCVariables) {
    connect("Old", 2, 1);
    clink::VarValue value;
    ASSERT_TRUE(read(2, 1, "QSystem.ELA", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{1}));
    ASSERT_TRUE(write(2, 1, "QSystem.ELA", 5.5));  // ties to even: 6
    ASSERT_TRUE(read(2, 6, "QSystem.ELA", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{6}));
    ASSERT_TRUE(write(2, 6, "QSystem.PLA", int16_t{9}));
    ASSERT_TRUE(read(9, 6, "QSystem.PLA", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{9}));

    for (const char* name : kNames) {
        clink::VarValue untouched = std::string("kept");
        EXPECT_FALSE(read(9, 6, name, untouched)) << name;
        EXPECT_EQ(untouched, clink::VarValue(std::string("kept"))) << name;
    }
}

TEST_F(ByNameOnKvxsim, PairWriteAndTheModuleObjectAtTheCurrentAddress) {
    connect("Gate", 12, 3);
    int32_t status = 0;
    EXPECT_TRUE(clink::WriteVars(program(), 12, 3, "QCom.DHCPEnable", false,
                                 "QCom.CommitIPSettings", true, Normal, status));
    clink::VarValue value;
    ASSERT_TRUE(read(12, 3, "QCom.DHCPEnable", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{0}));
    // The port took the settings: the commit flag is back to false.
    ASSERT_TRUE(read(12, 3, "QCom.CommitIPSettings", value));
    EXPECT_EQ(value, clink::VarValue(int16_t{0}));

    clink::Module module(program());
    bool result = false;
    // A controller answers at 12:3: the module files stay as they are.
    module.ChangeModuleAddr(254, 30, 12, 3, result);
    EXPECT_FALSE(result);
    ASSERT_FALSE(fixture.messages().empty());
    EXPECT_EQ(fixture.messages().back(),
              "Another controller already answers at the new address. The address was not "
              "changed.");
    module.ChangeModuleAddr(254, 30, 20, 4, result);
    EXPECT_TRUE(result);
    // The project was reopened on the rewritten files; names still resolve.
    module.WriteVarByName("QServices.HttpPort", std::string("8080"), 0, result);
    EXPECT_TRUE(result);
    module.ReadVarByName("QServices.HttpPort", value, 0, result);
    EXPECT_TRUE(result);
    EXPECT_EQ(value, clink::VarValue(int32_t{8080}));
}

}  // namespace
