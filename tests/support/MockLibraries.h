#pragma once
// GoogleMock doubles of the two closed libraries, for tests that check what the program passes.
#include <gmock/gmock.h>

#include "platform/kvxglib/Library.h"
#include "platform/kvxnam/Library.h"

namespace testsupport {

// Constructors and destructors are defined in MockLibraries.cpp: the mock's vtable, and with
// it the code of every mocked method, is then compiled once instead of in every test file.
class MockGlib : public kvxglib::Library {
public:
    MockGlib();
    ~MockGlib() override;
    MOCK_METHOD(const char*, GetText, (const std::string&, int32_t, int32_t, int32_t&), (override));
    MOCK_METHOD(int32_t, CopyText, (char*, const char*, int32_t), (override));
    MOCK_METHOD(const char*, JoinPath, (const std::string&, const std::string&), (override));
    MOCK_METHOD(const char*, ParentFolder, (const std::string&), (override));
    MOCK_METHOD(const char*, LastPathName, (const std::string&), (override));
    MOCK_METHOD(const char*, ResolvePath, (const std::string&, int32_t, int32_t&), (override));
    MOCK_METHOD(int32_t, FileExists, (const std::string&), (override));
    MOCK_METHOD(int32_t, DeleteFile, (const std::string&, int32_t, int32_t&, const std::string&),
                (override));
    MOCK_METHOD(int32_t, RenameFile,
                (const std::string&, const std::string&, int32_t, int32_t&, const std::string&),
                (override));
    MOCK_METHOD(const char*, ReadSetting,
                (const std::string&, const std::string&, const std::string&, const std::string&),
                (override));
    MOCK_METHOD(int32_t, WriteSettingText,
                (const std::string&, const std::string&, const std::string&, const std::string&,
                 int32_t),
                (override));
    MOCK_METHOD(int32_t, WriteSettingNumber,
                (const std::string&, const std::string&, const std::string&, int32_t, int32_t),
                (override));
    MOCK_METHOD(int32_t, OpenSectionedFile,
                (const std::string&, int32_t&, int32_t, int32_t, int32_t&, const std::string&),
                (override));
    MOCK_METHOD(int32_t, NextSection, (int32_t, std::string&, std::string&, int32_t&), (override));
    MOCK_METHOD(int32_t, NextEntry, (int32_t, std::string&, std::string&, std::string&, int32_t&),
                (override));
    MOCK_METHOD(int32_t, FindSection, (int32_t, const std::string&, std::string&, int32_t&, int32_t),
                (override));
    MOCK_METHOD(void, CloseSectionedFile, (int32_t&), (override));
    MOCK_METHOD(int32_t, SameSerialNumber, (const std::string&, const std::string&), (override));
    MOCK_METHOD(const char*, BooleanText, (int16_t), (override));
    MOCK_METHOD(const char*, ModelName, (const std::string&), (override));
    MOCK_METHOD(int32_t, ShowMessage, (const std::string&, int32_t), (override));
    MOCK_METHOD(int32_t, AskQuestion, (const std::string&, int32_t, const std::string&, int32_t),
                (override));
    MOCK_METHOD(int32_t, StartUp, (const std::string&, int32_t, int32_t&, int32_t, int32_t&),
                (override));
    MOCK_METHOD(int32_t, RunProgram,
                (const std::string&, const std::string&, const std::string&, int32_t&, int32_t,
                 int32_t&, const std::string&),
                (override));
    MOCK_METHOD(int32_t, ReadVariable,
                (int32_t, kvxglib::VarRef*, kvxglib::Variant*, int32_t, int32_t, int32_t, int32_t*,
                 const char16_t*),
                (override));
    MOCK_METHOD(int32_t, WriteVariable,
                (int32_t, kvxglib::VarRef*, kvxglib::Variant*, int32_t, int32_t, int32_t, int32_t*,
                 const char16_t*),
                (override));
    MOCK_METHOD(int32_t, OpenWriteBatch, (uint8_t**, uint8_t**, int32_t, int32_t*), (override));
    MOCK_METHOD(int32_t, AppendWrite,
                (kvxglib::VarRef*, kvxglib::Variant*, uint8_t*, uint8_t**, int32_t, int32_t,
                 int32_t*),
                (override));
    MOCK_METHOD(kvxglib::RequestHandle, CreateRequest, (int32_t), (override));
    MOCK_METHOD(int32_t, BindRequest, (kvxglib::RequestHandle, int32_t), (override));
    MOCK_METHOD(int32_t, SubmitRequest,
                (kvxglib::RequestHandle, const uint8_t*, int16_t, int16_t, int32_t, std::string&),
                (override));
    MOCK_METHOD(int32_t, StartExchange, (kvxglib::RequestHandle), (override));
    MOCK_METHOD(int32_t, ExchangeComplete, (kvxglib::RequestHandle), (override));
    MOCK_METHOD(void, Yield, (), (override));
    MOCK_METHOD(int32_t, FetchReply,
                (kvxglib::RequestHandle, uint8_t*, int16_t*, int16_t*, int16_t*), (override));
    MOCK_METHOD(void, ReleaseRequest, (kvxglib::RequestHandle, int32_t), (override));
    MOCK_METHOD(int32_t, SetControllerClock,
                (int32_t, uint8_t, uint8_t, uint8_t, int32_t, intptr_t, int32_t, int32_t, int32_t),
                (override));
    MOCK_METHOD(int32_t, PrepareLoaderFolder, (int32_t, const std::string&, int32_t, int32_t*),
                (override));
    MOCK_METHOD(int32_t, PasswordCharactersAllowed, (const std::u16string&), (override));
    MOCK_METHOD(int32_t, CompileImageFile, (), (override));
};

class MockNam : public kvxnam::Library {
public:
    MockNam();
    ~MockNam() override;
    MOCK_METHOD(int32_t, OpenProject,
                (const std::u16string&, int32_t&, int32_t, int32_t&, int32_t, int32_t, int32_t&,
                 const std::u16string&),
                (override));
    MOCK_METHOD(int32_t, CloseProject, (int32_t&), (override));
    MOCK_METHOD(int32_t, SelectModule, (int32_t, const std::string&, int32_t), (override));
    MOCK_METHOD(int32_t, LookupName,
                (int32_t, const std::u16string&, int32_t&, int32_t&, int16_t&, int32_t&, int32_t&,
                 int32_t&, int32_t, int32_t&),
                (override));
};

// Makes the mock's text results behave like the library's: a copy that stays alive.
inline int32_t copyTextLikeTheLibrary(char* destination, const char* source, int32_t length) {
    for (int32_t i = 0; i < length; ++i) destination[i] = source[i];
    return length;
}

}  // namespace testsupport
