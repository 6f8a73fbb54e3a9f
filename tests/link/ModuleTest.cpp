// The Module object on mocks: the address check and its texts, the link-failure notice, the
// flags its accesses send, and the order of an address change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

#include "ProgramOnMocks.h"
#include "link/Module.h"

namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

constexpr int32_t Normal = static_cast<int32_t>(0x80000000u);

class ModuleObject : public linktest::ProgramOnMocks {
  protected:
    ModuleObject() {
        for (int32_t n : {635, 636, 637, 638, 831}) {
            texts.push_back("text " + std::to_string(n));
            ON_CALL(glib, GetText(_, n, 0, _)).WillByDefault(Return(texts.back().c_str()));
        }
        ON_CALL(glib, ShowMessage).WillByDefault(Invoke([this](const std::string& text, int32_t) {
            shown.push_back(text);
            return 0;
        }));
        program.connection.CurrentPLA = 12;
        program.connection.CurrentELA = 3;
        ON_CALL(nam, LookupName(7, std::u16string(u"Module01.QSystem.PLA"), _, _, _, _, _, _, 0, _))
            .WillByDefault(Invoke([](auto, auto&, auto&, auto&, int16_t& file, int32_t& index,
                                     int32_t& type, int32_t& kind, auto, auto&) {
                file = 241;
                index = 0;
                type = 2;
                kind = 1;
                return -1;
            }));
    }

    // The next reads answer with `result`; the flags they send are collected.
    void readsAnswer(int32_t result) {
        ON_CALL(glib, ReadVariable)
            .WillByDefault(
                Invoke([this, result](int32_t, kvxglib::VarRef*, kvxglib::Variant*, int32_t,
                                      int32_t, int32_t flags, int32_t*, const char16_t*) {
                    sentFlags.push_back(flags);
                    return result;
                }));
    }

    bool readPla(clink::Module& module, int32_t flags) {
        clink::VarValue value;
        bool result = false;
        module.ReadVarByName("QSystem.PLA", value, flags, result);
        return result;
    }

    std::deque<std::string> texts;  // stable addresses: the mock hands out c_str()
    std::vector<std::string> shown;
    std::vector<int32_t> sentFlags;
};

TEST_F(ModuleObject, AddressCheckTestsPlaFirstAndNamesTheWrongPart) {
    clink::Module module(program);
    struct Case {
        int16_t pla, ela;
        bool valid;
        std::vector<std::string> shown;
    };
    const Case cases[] = {{255, 30, false, {"text 635"}},
                          {0, 300, false, {"text 635"}},
                          {1, 0, false, {"text 636"}},
                          {254, 255, true, {}},
                          {1, 1, true, {}}};
    for (const Case& c : cases) {
        shown.clear();
        bool result = !c.valid;
        module.IsAddrValid(c.pla, c.ela, result);
        EXPECT_EQ(result, c.valid) << c.pla << ":" << c.ela;
        EXPECT_EQ(shown, c.shown) << c.pla << ":" << c.ela;
    }
}

TEST_F(ModuleObject, LinkFailureIsToldOncePerChangeFromWorkingToFailing) {
    clink::Module module(program);
    readsAnswer(0);
    EXPECT_FALSE(readPla(module, 0));  // never worked: nothing to tell
    EXPECT_TRUE(shown.empty());
    readsAnswer(1);
    EXPECT_TRUE(readPla(module, 0));
    EXPECT_TRUE(program.linkState.LinkNoticeFlag);
    readsAnswer(0);
    EXPECT_FALSE(readPla(module, 0));
    EXPECT_FALSE(readPla(module, 0));
    EXPECT_FALSE(readPla(module, 0));
    EXPECT_EQ(shown, std::vector<std::string>{"text 831"});
    EXPECT_FALSE(program.linkState.LinkNoticeFlag);
    readsAnswer(1);
    EXPECT_TRUE(readPla(module, 0));
    readsAnswer(0);
    EXPECT_FALSE(readPla(module, 0));
    EXPECT_EQ(shown, (std::vector<std::string>{"text 831", "text 831"}));
}

TEST_F(ModuleObject, Bit31OfTheCallersFlagsKeepsTheNoticeQuietButTheAccessAlwaysSendsIt) {
    clink::Module module(program);
    readsAnswer(1);
    EXPECT_TRUE(readPla(module, 0x1234));
    readsAnswer(0);
    EXPECT_FALSE(readPla(module, Normal));
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(program.linkState.LinkNoticeFlag);  // disarmed all the same
    EXPECT_EQ(sentFlags, (std::vector<int32_t>{Normal, Normal}));
}

TEST_F(ModuleObject, AddressChangeToATakenAddressShows637AndChangesNoFiles) {
    clink::Module module(program);
    program.catalogue.SelectedProjectFolder = "";  // no files to touch in this test
    // A controller answers the poll at 20:4.
    ON_CALL(glib, CreateRequest).WillByDefault(Return(9));
    ON_CALL(glib, StartExchange).WillByDefault(Return(1));
    ON_CALL(glib, ExchangeComplete).WillByDefault(Return(1));
    ON_CALL(glib, FetchReply).WillByDefault(Return(1));
    std::vector<uint8_t> polled;
    EXPECT_CALL(glib, SubmitRequest)
        .WillOnce(Invoke([&](auto, const uint8_t* bytes, int16_t count, auto, auto, auto&) {
            polled.assign(bytes, bytes + count);
            return 1;
        }));
    EXPECT_CALL(glib, AskQuestion).Times(0);
    bool result = true;
    module.ChangeModuleAddr(12, 3, 20, 4, result);
    EXPECT_FALSE(result);
    EXPECT_EQ(polled, (std::vector<uint8_t>{20, 4, 0x98}));
    EXPECT_EQ(shown, std::vector<std::string>{"text 637"});
}

TEST_F(ModuleObject, AddressChangeChecksBothAddressesAndAsksWithAnOkBox) {
    clink::Module module(program);
    program.catalogue.SelectedProjectFolder = "";
    bool result = false;
    module.ChangeModuleAddr(12, 3, 12, 3, result);  // same address: nothing at all
    EXPECT_TRUE(result);
    EXPECT_TRUE(shown.empty());

    module.ChangeModuleAddr(0, 3, 20, 4, result);
    EXPECT_FALSE(result);
    EXPECT_EQ(shown, std::vector<std::string>{"text 635"});

    shown.clear();
    module.ChangeModuleAddr(12, 3, 20, 256, result);
    EXPECT_FALSE(result);
    EXPECT_EQ(shown, std::vector<std::string>{"text 636"});

    shown.clear();
    EXPECT_CALL(glib, AskQuestion("text 638", 2, "", 0)).WillOnce(Return(1));
    module.ChangeModuleAddr(12, 3, 20, 4, result);  // nobody answers at 20:4
    EXPECT_FALSE(result);  // but no revision is selected, so no module files could change
    EXPECT_TRUE(shown.empty());
}

}  // namespace
