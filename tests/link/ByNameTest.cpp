// By-name access on mocks of both libraries: the qualified lookup, the typed member each kind
// and type reaches, the value handed back, and the conversions made before a write.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ProgramOnMocks.h"
#include "link/ByName.h"
#include "link/Errors.h"
#include "link/VarName.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Invoke;
using ::testing::Return;
using ::testing::SetArgReferee;

constexpr int32_t Normal = static_cast<int32_t>(0x80000000u);

// What one library read or write received.
struct Call {
    kvxglib::VarRef ref;
    uint16_t variantType = 0;
    std::u16string label;
    int32_t flags = 0;
    int16_t i16 = 0;
    int32_t i32 = 0;
    float r4 = 0;
    std::u16string text;
};

class ByName : public linktest::ProgramOnMocks {
  protected:
    ByName() {
        // Names no test taught it are unknown.
        EXPECT_CALL(nam, LookupName).Times(::testing::AnyNumber()).WillRepeatedly(Return(0));
    }

    // The naming library knows `qualified` with these numbers.
    void knows(const std::u16string& qualified, int32_t kind, int32_t type, int16_t file,
               int32_t index) {
        EXPECT_CALL(nam, LookupName(7, qualified, _, _, _, _, _, _, 0, _))
            .WillRepeatedly(DoAll(SetArgReferee<4>(file), SetArgReferee<5>(index),
                                  SetArgReferee<6>(type), SetArgReferee<7>(kind), Return(-1)));
    }

    // Reads answer with `answer` written through the carrier; the call is kept in `call`.
    void reads(Call& call, const Call& answer, int32_t result = 1) {
        EXPECT_CALL(glib, ReadVariable(3, _, _, 1, 0, _, _, _))
            .WillOnce(Invoke(
                [&call, answer, result](int32_t, kvxglib::VarRef* ref, kvxglib::Variant* v, int32_t,
                                        int32_t, int32_t flags, int32_t*, const char16_t* label) {
                    record(call, ref, v, flags, label);
                    if (result == 0) return 0;
                    switch (v->type & 0xFF) {
                        case kvxglib::vt::Bool:
                        case kvxglib::vt::I2:
                            *static_cast<int16_t*>(v->data) = answer.i16;
                            break;
                        case kvxglib::vt::I4:
                            *static_cast<int32_t*>(v->data) = answer.i32;
                            break;
                        case kvxglib::vt::R4:
                            *static_cast<float*>(v->data) = answer.r4;
                            break;
                        case kvxglib::vt::BStr:
                            *static_cast<std::u16string*>(v->data) = answer.text;
                            break;
                    }
                    return result;
                }));
    }

    void writes(Call& call) {
        EXPECT_CALL(glib, WriteVariable(3, _, _, 1, 0, _, _, _))
            .WillOnce(Invoke([&call](int32_t, kvxglib::VarRef* ref, kvxglib::Variant* v, int32_t,
                                     int32_t, int32_t flags, int32_t*, const char16_t* label) {
                record(call, ref, v, flags, label);
                switch (v->type & 0xFF) {
                    case kvxglib::vt::Bool:
                    case kvxglib::vt::I2:
                        call.i16 = *static_cast<int16_t*>(v->data);
                        break;
                    case kvxglib::vt::I4:
                        call.i32 = *static_cast<int32_t*>(v->data);
                        break;
                    case kvxglib::vt::R4:
                        call.r4 = *static_cast<float*>(v->data);
                        break;
                    case kvxglib::vt::BStr:
                        call.text = *static_cast<std::u16string*>(v->data);
                        break;
                }
                return 1;
            }));
    }

    static void record(Call& call, kvxglib::VarRef* ref, kvxglib::Variant* v, int32_t flags,
                       const char16_t* label) {
        call.ref = *ref;
        call.variantType = v->type;
        call.flags = flags;
        call.label = label;
    }

    bool write(const std::string& name, const clink::VarValue& value) {
        int32_t status = 0;
        return clink::WriteVar(program, 12, 3, name, value, Normal, status);
    }
};

TEST_F(ByName, QualifiesTheNameWithTheModuleFolderAndUsesTheProjectHandle) {
    EXPECT_EQ(clink::CurrentModuleName(program), "Module01");
    knows(u"Module01.QSystem.PLA", 2, 2, 241, 0);
    clink::ResolvedVar var;
    ASSERT_TRUE(clink::ResolveVarName(program, "QSystem.PLA", var));
    EXPECT_EQ(var.kind, 2);
    EXPECT_EQ(var.type, 2);
    EXPECT_EQ(var.file, 241);
    EXPECT_EQ(var.index, 0);
    EXPECT_FALSE(clink::ResolveVarName(program, "QSystem.Nothing", var));
}

TEST_F(ByName, ReadsEachTypeIntoTheValueTheCallerGetsBack) {
    struct Case {
        int32_t kind, type;
        Call answer;
        uint16_t variantType;
        int32_t sentKind;
        clink::VarValue expected;
    };
    Call boolAnswer;
    boolAnswer.i16 = -1;
    Call intAnswer;
    intAnswer.i16 = 1234;
    Call realAnswer;
    realAnswer.r4 = 2.5f;
    Call longAnswer;
    longAnswer.i32 = 123456;
    Call textAnswer;
    textAnswer.text = u"Pump hall";
    const Case cases[] = {
        {1, 1, boolAnswer, 0x400B, 1, int16_t{-1}},   // a Boolean comes back as 16-bit -1
        {2, 2, intAnswer, 0x4002, 1, int16_t{1234}},  // kind 2 goes as 1
        {1, 3, intAnswer, 0x4002, 1, int16_t{1234}},
        {1, 4, realAnswer, 0x4004, 1, 2.5f},
        {1, 6, longAnswer, 0x4003, 1, int32_t{123456}},
        {4, 5, textAnswer, 0x4008, 4, std::string("Pump hall")},
        {5, 1, boolAnswer, 0x400B, 5, int16_t{-1}},
        {5, 3, intAnswer, 0x4002, 5, int16_t{1234}},
        {5, 4, realAnswer, 0x4004, 5, 2.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " type " << c.type);
        knows(u"Module01.QCom.Thing", c.kind, c.type, 242, 17);
        Call call;
        reads(call, c.answer);
        clink::VarValue value;
        int32_t status = 0;
        EXPECT_TRUE(clink::ReadableByName({c.kind, c.type, 242, 17}));
        ASSERT_TRUE(clink::ReadVar(program, 12, 3, "QCom.Thing", value, Normal, status));
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(call.variantType, c.variantType);
        EXPECT_EQ(call.ref.kind, c.sentKind);
        EXPECT_EQ(call.ref.type, c.type);
        EXPECT_EQ(call.ref.pla, 12);
        EXPECT_EQ(call.ref.ela, 3);
        EXPECT_EQ(call.ref.file, 242);
        EXPECT_EQ(call.ref.index, c.kind == 4 ? 242 : 17);  // kind 4: index is the file
        EXPECT_EQ(call.label, u"QCom.Thing");
        EXPECT_EQ(call.flags, Normal);
        testing::Mock::VerifyAndClearExpectations(&glib);
        testing::Mock::VerifyAndClearExpectations(&nam);
    }
}

TEST_F(ByName, UncoveredKindsAndTypesAndUnknownNamesFailWithoutALibraryCall) {
    EXPECT_CALL(glib, ReadVariable).Times(0);
    EXPECT_CALL(glib, WriteVariable).Times(0);
    const std::pair<int32_t, int32_t> unreadable[] = {{1, 5}, {5, 6}, {5, 5}, {4, 1},
                                                      {3, 2}, {6, 2}, {0, 2}, {-1, 2}};
    for (auto [kind, type] : unreadable) {
        knows(u"Module01.QSystem.X", kind, type, 241, 5);
        clink::VarValue value = int16_t{77};
        int32_t status = 0;
        EXPECT_FALSE(clink::ReadableByName({kind, type, 241, 5})) << kind << "/" << type;
        EXPECT_FALSE(clink::ReadVar(program, 12, 3, "QSystem.X", value, Normal, status))
            << kind << "/" << type;
        EXPECT_EQ(value, clink::VarValue(int16_t{77}));
    }
    for (auto [kind, type] : std::vector<std::pair<int32_t, int32_t>>{{4, 2}, {6, 2}, {0, 2}}) {
        knows(u"Module01.QSystem.X", kind, type, 241, 5);
        EXPECT_FALSE(write("QSystem.X", int16_t{1})) << kind << "/" << type;
    }
    clink::VarValue value;
    int32_t status = 0;
    EXPECT_FALSE(clink::ReadVar(program, 12, 3, "QSystem.Unknown", value, Normal, status));
    EXPECT_FALSE(write("QSystem.Unknown", int16_t{1}));
}

TEST_F(ByName, AFailedReadLeavesTheValueAsItWas) {
    knows(u"Module01.QSystem.ActivePartition", 1, 3, 241, 88);
    Call call;
    reads(call, Call{}, 0);
    clink::VarValue value = std::string("before");
    int32_t status = 0;
    EXPECT_FALSE(clink::ReadVar(program, 12, 3, "QSystem.ActivePartition", value, Normal, status));
    EXPECT_EQ(value, clink::VarValue(std::string("before")));
}

TEST_F(ByName, WritesRoundFractionsToEvenAndConvertTextsAndBooleans) {
    struct Case {
        clink::VarValue value;
        int16_t sent;
    };
    const Case cases[] = {{2.5, 2},
                          {3.5, 4},
                          {-2.5, -2},
                          {2.4999, 2},
                          {std::string(" 17 "), 17},
                          {std::string("-3.5"), -4},
                          {std::string("1e3"), 1000},
                          {true, -1},
                          {false, 0},
                          {int32_t{32767}, 32767},
                          {-32768.4, -32768}};
    for (const Case& c : cases) {
        knows(u"Module01.QServices.HttpPort", 1, 3, 250, 4);
        Call call;
        writes(call);
        EXPECT_TRUE(write("QServices.HttpPort", c.value));
        EXPECT_EQ(call.i16, c.sent) << clink::VarValueText(c.value);
        EXPECT_EQ(call.variantType, 0x4002);
        testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ByName, AValueThatDoesNotConvertRaisesAndSendsNothing) {
    EXPECT_CALL(glib, WriteVariable).Times(0);
    knows(u"Module01.QServices.HttpPort", 1, 3, 250, 4);
    for (const clink::VarValue& bad :
         {clink::VarValue(int32_t{70000}), clink::VarValue(32767.5), clink::VarValue(-32769.0),
          clink::VarValue(std::string("abc")), clink::VarValue(std::string("12abc")),
          clink::VarValue(std::string("")), clink::VarValue(std::string("1.2.3"))}) {
        EXPECT_THROW(write("QServices.HttpPort", bad), clink::ConversionError)
            << clink::VarValueText(bad);
    }
    knows(u"Module01.QSystem.FlashMemTot", 1, 6, 241, 70);
    EXPECT_THROW(write("QSystem.FlashMemTot", 3e9), clink::ConversionError);
    knows(u"Module01.QCom.Ratio", 1, 4, 242, 9);
    EXPECT_THROW(write("QCom.Ratio", std::string("fast")), clink::ConversionError);
}

TEST_F(ByName, WritesReachTheMemberOfTheirKind) {
    struct Case {
        int32_t kind, type;
        clink::VarValue value;
        uint16_t variantType;
        int32_t sentKind, sentType;
    };
    const Case cases[] = {
        {1, 1, int16_t{5}, 0x400B, 1, 1},
        {2, 2, int16_t{5}, 0x4002, 1, 2},
        {1, 4, 1.25, 0x4004, 1, 4},
        {1, 5, int16_t{42}, 0x4008, 1, 5},
        {1, 6, 123456.0, 0x4003, 1, 6},
        {3, 1, true, 0x400B, 3, 1},
        {3, 5, std::string("x"), 0x4008, 3, 5},
        {3, 6, int32_t{9}, 0x4003, 3, 6},
        {4, 5, std::string("Hall"), 0x4008, 4, 5},
        {5, 2, int16_t{5}, 0x4002, 5, 2},
        {5, 5, std::string("y"), 0x4008, 5, 5},
        {5, 6, int32_t{123456}, 0x4008, 5, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " type " << c.type);
        knows(u"Module01.QCom.Thing", c.kind, c.type, 242, 17);
        Call call;
        writes(call);
        EXPECT_TRUE(write("QCom.Thing", c.value));
        EXPECT_EQ(call.variantType, c.variantType);
        EXPECT_EQ(call.ref.kind, c.sentKind);
        EXPECT_EQ(call.ref.type, c.sentType);
        EXPECT_EQ(call.label, u"QCom.Thing");
        if (c.kind == 1 && c.type == 1) {
            EXPECT_EQ(call.i16, -1);
        }  // any non-zero is true
        if (c.kind == 1 && c.type == 5) {
            EXPECT_EQ(call.text, u"42");
        }
        if (c.kind == 5 && c.type == 6) {
            EXPECT_EQ(call.text, u"123456");
        }
        testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ByName, WriteVarsSendsBothAsTheirVariablesTypesInOneBatchOrNothing) {
    knows(u"Module01.QCom.DHCPEnable", 2, 1, 242, 30);
    knows(u"Module01.QCom.CommitIPSettings", 5, 3, 242, 31);
    std::vector<kvxglib::VarRef> refs;
    std::vector<uint16_t> types;
    int16_t sentInt = 0;
    EXPECT_CALL(glib, OpenWriteBatch).WillOnce(Return(0));
    EXPECT_CALL(glib, AppendWrite)
        .WillRepeatedly(Invoke([&](kvxglib::VarRef* ref, kvxglib::Variant* v, uint8_t*, uint8_t**,
                                   int32_t, int32_t, int32_t*) {
            refs.push_back(*ref);
            types.push_back(v->type);
            if (v->type == 0x4002) sentInt = *static_cast<int16_t*>(v->data);
            return 1;
        }));
    int32_t status = 0;
    clink::WriteVars(program, 12, 3, "QCom.DHCPEnable", true, "QCom.CommitIPSettings", 2.5, Normal,
                     status);
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0].kind, 2);  // the kind as the lookup gave it
    EXPECT_EQ(refs[0].index, 30);
    EXPECT_EQ(refs[1].kind, 5);
    EXPECT_EQ(refs[1].pla, 12);
    // The library takes a carrier only of the variable's own type: a Boolean for type 1, a
    // 16-bit integer for type 3 (2.5 rounds to even).
    EXPECT_EQ(types, (std::vector<uint16_t>{0x400B, 0x4002}));
    EXPECT_EQ(sentInt, 2);

    testing::Mock::VerifyAndClearExpectations(&glib);
    EXPECT_CALL(glib, OpenWriteBatch).Times(0);
    EXPECT_CALL(glib, CreateRequest).Times(0);
    EXPECT_FALSE(clink::WriteVars(program, 12, 3, "QCom.DHCPEnable", true, "QCom.Unknown",
                                  int16_t{1}, Normal, status));
    EXPECT_THROW(clink::WriteVars(program, 12, 3, "QCom.DHCPEnable", true,
                                  "QCom.CommitIPSettings", int32_t{70000}, Normal, status),
                 clink::ConversionError)
        << "beyond the variable's range: nothing is sent";
}

TEST_F(ByName, ModuleTypeIsFile241Index36) {
    Call call;
    Call answer;
    answer.i16 = 21;
    reads(call, answer);
    int16_t type = 0;
    ASSERT_TRUE(clink::ReadModuleType(program, 12, 3, type));
    EXPECT_EQ(type, 21);
    EXPECT_EQ(call.ref.file, 241);
    EXPECT_EQ(call.ref.index, 36);
    EXPECT_EQ(call.ref.kind, 1);
    EXPECT_EQ(call.ref.type, 3);
    EXPECT_EQ(call.flags, Normal);
    EXPECT_EQ(call.label, u"");
}

}  // namespace
