#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "platform/sysvars/Table.h"
#include "platform/wire/Bytes.h"

namespace {

using sysvars::findByName;
using sysvars::findByNumber;
using sysvars::Variable;
using T = wire::VarType;

struct Named {
    const char* name;
    T type;
};

// Every name the program resolves, with the type its reads and writes need.
const Named kProgramNames[] = {
    {"QSystem.PLA", T::SmallInt},
    {"QSystem.ELA", T::SmallInt},
    {"QSystem.ActivePartition", T::Int},
    {"QSystem.ActiveSubApplication", T::Int},
    {"QSystem.FlashMemTot", T::Long},
    {"QSystem.FlashMemUsed", T::Long},
    {"QSystem.Ver_Major", T::Int},
    {"QSystem.Ver_Minor", T::Int},
    {"QSystem.Ver_Branch", T::Int},
    {"QSystem.Ver_Number", T::Int},
    {"QSystem.ControllerName", T::Text},
    {"QSystem.ControllerDescription", T::Text},
    {"QCom.ConfIP", T::Text},
    {"QCom.ConfSubNet", T::Text},
    {"QCom.ConfGW1", T::Text},
    {"QCom.ConfDNS1", T::Text},
    {"QCom.ConfDNSName", T::Text},
    {"QCom.DHCPEnable", T::Boolean},
    {"QCom.CommitIPSettings", T::Boolean},
    {"QCom.EncryptionRequired", T::Boolean},
    {"QCom.EncryptionPassword1", T::Text},
    {"QCom.EncryptionPassword2", T::Text},
    {"QCom.EncryptionPassword3", T::Text},
    {"QCom.EncryptionPassword4", T::Text},
    {"QCom.EncryptionPasswordPrimary", T::Text},
    {"QCom.EncryptionCommitSettings", T::Boolean},
    {"QCom.MainComputerAddr", T::Text},
    {"QCom.MainComputerConnectEnable", T::Boolean},
    {"QServices.HttpEnable", T::SmallInt},
    {"QServices.HttpPort", T::Long},
    {"QServices.HttpActiveSitePartition", T::Int},
    {"QServices.HttpActiveSubSite", T::Int},
    {"QServices.HttpCommitSettings", T::Boolean},
    {"QServices.BACnetIpEnable", T::Boolean},
    {"QServices.BACnetIpUDPport", T::Long},
    {"QServices.BACnetDeviceID", T::Long},
    {"Qservices.BACnetCommitSettings", T::Boolean},
};

struct Numbered {
    uint16_t file;
    int32_t index;
    T type;
};

// Every file and index the program addresses directly, with the typed access it uses.
const Numbered kProgramNumbers[] = {
    {241, 0, T::SmallInt},   {241, 1, T::SmallInt},  {241, 36, T::Int},   {241, 60, T::Text},
    {241, 63, T::Text},      {241, 69, T::Text},     {241, 88, T::Int},   {242, 0, T::Text},
    {242, 4, T::Text},       {242, 7, T::Text},      {242, 10, T::Text},  {242, 24, T::Text},
    {242, 60, T::Long},      {242, 63, T::Text},     {242, 116, T::Long}, {242, 163, T::Boolean},
    {242, 164, T::SmallInt}, {242, 165, T::Long},    {242, 168, T::Int},  {242, 170, T::Int},
    {248, 231, T::Text},     {250, 32, T::SmallInt},
};

TEST(SystemVariables, EveryNameTheProgramUsesResolvesAsASegmentVariableOfItsType) {
    for (const Named& n : kProgramNames) {
        const Variable* v = findByName(n.name);
        ASSERT_NE(v, nullptr) << n.name;
        EXPECT_EQ(v->type, n.type) << n.name;
        // Texts are only written by name; reads by name of kind 1 cover every other type.
        EXPECT_EQ(v->kind, 1) << n.name;
    }
}

TEST(SystemVariables, EveryNumberTheProgramUsesIsThereWithItsType) {
    for (const Numbered& n : kProgramNumbers) {
        const Variable* v = findByNumber(n.file, n.index);
        ASSERT_NE(v, nullptr) << n.file << "/" << n.index;
        EXPECT_EQ(v->type, n.type) << v->qualifiedName();
        EXPECT_EQ(v->kind, 1) << v->qualifiedName();
    }
}

TEST(SystemVariables, NamesReadAlsoByNumberAreTheSameVariable) {
    const struct {
        const char* name;
        uint16_t file;
        int32_t index;
    } same[] = {
        {"QSystem.PLA", 241, 0},
        {"QSystem.ELA", 241, 1},
        {"QSystem.ActivePartition", 241, 88},
        {"QSystem.ControllerName", 241, 63},
        {"QSystem.ControllerDescription", 241, 69},
        {"QServices.HttpEnable", 242, 164},
        {"QServices.HttpPort", 242, 165},
        {"QServices.HttpActiveSitePartition", 242, 168},
        {"QServices.HttpActiveSubSite", 242, 170},
        {"QServices.BACnetDeviceID", 242, 60},
        {"QServices.BACnetIpUDPport", 242, 116},
        {"QCom.MainComputerAddr", 248, 231},
    };
    for (const auto& s : same)
        EXPECT_EQ(findByName(s.name), findByNumber(s.file, s.index)) << s.name;
}

TEST(SystemVariables, NamesMatchWhateverTheLetterCaseButNothingLooser) {
    const Variable* commit = findByName("QServices.BACnetCommitSettings");
    ASSERT_NE(commit, nullptr);
    EXPECT_EQ(findByName("Qservices.BACnetCommitSettings"), commit);
    EXPECT_EQ(findByName("QSERVICES.bacnetcommitsettings"), commit);
    EXPECT_EQ(findByName("qservices", "BACNETCOMMITSETTINGS"), commit);

    for (const char* bad :
         {"", "QSystem", "QSystem.", ".PLA", "QSystem.PLAX", "QSystem.PL", "QSystem.PLA.Extra",
          " QSystem.PLA", "QSystem .PLA", "QCom.PLA", "QSystem..PLA"}) {
        EXPECT_EQ(findByName(bad), nullptr) << '"' << bad << '"';
    }
    EXPECT_EQ(findByNumber(241, 2), nullptr);
    EXPECT_EQ(findByNumber(240, 0), nullptr);
}

TEST(SystemVariables, EveryEntryIsUniqueAndItsStartValueFitsItsType) {
    std::set<std::string> names;
    std::set<std::pair<uint16_t, int32_t>> numbers;
    for (const Variable& v : sysvars::table()) {
        std::string folded = v.qualifiedName();
        for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(names.insert(folded).second) << v.qualifiedName();
        EXPECT_TRUE(numbers.insert({v.file, v.index}).second) << v.qualifiedName();
        EXPECT_TRUE(wire::isValidKind(v.kind)) << v.qualifiedName();
        EXPECT_EQ(findByName(v.qualifiedName()), &v);
        EXPECT_EQ(findByNumber(v.file, v.index), &v);

        if (v.type == T::Text) {
            EXPECT_GT(v.maxLength, 0) << v.qualifiedName();
            EXPECT_LE(v.defaultText.size(), v.maxLength) << v.qualifiedName();
        } else {
            EXPECT_EQ(v.maxLength, 0) << v.qualifiedName();
        }
        // The simulator starts controllers with these values: each must travel on the wire.
        std::vector<uint8_t> bytes;
        wire::ByteWriter w(bytes);
        wire::Error error{};
        EXPECT_TRUE(wire::writeValue(w, v.defaultValue(), error)) << v.qualifiedName();
        EXPECT_EQ(v.address().file, v.file);
    }
    EXPECT_EQ(findByName("QSystem.PLA")->defaultValue(), wire::Value::smallInt(254));
    EXPECT_EQ(findByName("QSystem.ELA")->defaultValue(), wire::Value::smallInt(30));
}

TEST(SystemVariables, FamilyAndKindDecideWhoReachesAVariable) {
    const Variable* pla = findByName("QSystem.PLA");
    const Variable* os = findByName("QSystem.OsName");
    const Variable* coldStart = findByNumber(250, 32);
    ASSERT_NE(os, nullptr);
    ASSERT_NE(coldStart, nullptr);
    EXPECT_TRUE(pla->existsOn(true));
    EXPECT_TRUE(pla->existsOn(false));
    EXPECT_TRUE(os->existsOn(true));
    // Reading the operating-system text is how the program tells a KVXreal C controller.
    EXPECT_FALSE(os->existsOn(false));
    EXPECT_FALSE(coldStart->existsOn(true));
    EXPECT_TRUE(coldStart->existsOn(false));

    EXPECT_TRUE(pla->reachableWithKind(1));
    EXPECT_TRUE(pla->reachableWithKind(2));
    for (uint8_t k : {0, 3, 4, 5}) EXPECT_FALSE(pla->reachableWithKind(k)) << int(k);
}

}  // namespace
