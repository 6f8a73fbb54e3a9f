#pragma once
// The general library on this system: a thin facade over the parts that do the work (path
// aliases, path texts, sectioned files, settings, texts, messages, program start). The
// controller traffic lives apart, in RealLibraryTraffic.cpp, with its own state.
#include <memory>
#include <string>

#include "platform/kvxglib/Library.h"
#include "platform/kvxglib/MachineConfig.h"
#include "platform/kvxglib/PathAliases.h"
#include "platform/kvxglib/ProcessLauncher.h"
#include "platform/kvxglib/ProgramStarter.h"
#include "platform/kvxglib/SectionedFileTable.h"
#include "platform/kvxglib/StampedCache.h"
#include "platform/kvxglib/TextsFile.h"
#include "platform/ui/MessageBoxes.h"

namespace kvxglib {

// The controller-traffic state is defined beside the traffic calls (RealLibraryTraffic.cpp),
// so that file can change without touching this facade.
struct TrafficState;
struct TrafficStateDeleter {
    void operator()(TrafficState* state) const;
};
TrafficState* newTrafficState();

class RealLibrary final : public Library {
  public:
    // `machineDir` is the folder "Machine:" stands for (see machineDirFromEnvironment).
    RealLibrary(ui::MessageBoxes& boxes, std::string machineDir);
    // Tests pass a launcher that records instead of starting processes.
    RealLibrary(ui::MessageBoxes& boxes, std::string machineDir, ProcessLauncher& launcher);
    ~RealLibrary() override;
    RealLibrary(const RealLibrary&) = delete;
    RealLibrary& operator=(const RealLibrary&) = delete;

    const std::string& programName() const { return programName_; }
    MachineConfig& machineConfig() { return config_; }
    // The controller-traffic state, for the link functions of TcpLinks.h.
    TrafficState& traffic() { return *traffic_; }

    const char* GetText(const std::string& textsFile, int32_t number, int32_t zero,
                        int32_t& status) override;
    int32_t CopyText(char* destination, const char* source, int32_t length) override;
    const char* JoinPath(const std::string& name, const std::string& folder) override;
    const char* ParentFolder(const std::string& path) override;
    const char* LastPathName(const std::string& path) override;
    const char* ResolvePath(const std::string& path, int32_t options, int32_t& out) override;
    int32_t FileExists(const std::string& path) override;
    int32_t DeleteFile(const std::string& path, int32_t zero, int32_t& status,
                       const std::string& empty) override;
    int32_t RenameFile(const std::string& source, const std::string& target, int32_t zero,
                       int32_t& status, const std::string& empty) override;
    const char* ReadSetting(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& defaultValue) override;
    int32_t WriteSettingText(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& value,
                             int32_t flags) override;
    int32_t WriteSettingNumber(const std::string& file, const std::string& section,
                               const std::string& key, int32_t value, int32_t zero) override;
    int32_t OpenSectionedFile(const std::string& path, int32_t& handle, int32_t zero1,
                              int32_t zero2, int32_t& status, const std::string& empty) override;
    int32_t NextSection(int32_t handle, std::string& name, std::string& second,
                        int32_t& status) override;
    int32_t NextEntry(int32_t sectionCursor, std::string& key, std::string& value,
                      std::string& third, int32_t& status) override;
    int32_t FindSection(int32_t handle, const std::string& name, std::string& text, int32_t& status,
                        int32_t zero) override;
    void CloseSectionedFile(int32_t& handle) override;

    int32_t SameSerialNumber(const std::string& a, const std::string& b) override;
    const char* BooleanText(int16_t value) override;
    const char* ModelName(const std::string& decimalCode) override;

    int32_t ShowMessage(const std::string& text, int32_t kind) override;
    int32_t AskQuestion(const std::string& text, int32_t value, const std::string& caption,
                        int32_t buttons) override;
    int32_t StartUp(const std::string& programName, int32_t zero1, int32_t& out1, int32_t zero2,
                    int32_t& out2) override;
    int32_t RunProgram(const std::string& program, const std::string& arguments,
                       const std::string& directory, int32_t& out1, int32_t showMode, int32_t& out2,
                       const std::string& extra) override;

    // Controller traffic: RealLibraryTraffic.cpp.
    int32_t ReadVariable(int32_t link, VarRef* ref, Variant* value, int32_t count, int32_t zero,
                         int32_t flags, int32_t* status, const char16_t* label) override;
    int32_t WriteVariable(int32_t link, VarRef* ref, Variant* value, int32_t count, int32_t zero,
                          int32_t flags, int32_t* status, const char16_t* label) override;
    int32_t OpenWriteBatch(uint8_t** start, uint8_t** cursor, int32_t flags,
                           int32_t* status) override;
    int32_t AppendWrite(VarRef* ref, Variant* value, uint8_t* start, uint8_t** cursor,
                        int32_t count, int32_t flags, int32_t* status) override;
    RequestHandle CreateRequest(int32_t size) override;
    int32_t BindRequest(RequestHandle request, int32_t link) override;
    int32_t SubmitRequest(RequestHandle request, const uint8_t* bytes, int16_t count,
                          int16_t option, int32_t flags, std::string& label) override;
    int32_t StartExchange(RequestHandle request) override;
    int32_t ExchangeComplete(RequestHandle request) override;
    void Yield() override;
    int32_t FetchReply(RequestHandle request, uint8_t* reply, int16_t* length, int16_t* code1,
                       int16_t* code2) override;
    void ReleaseRequest(RequestHandle request, int32_t size) override;
    int32_t SetControllerClock(int32_t link, uint8_t pla, uint8_t ela, uint8_t file, int32_t zero,
                               intptr_t window, int32_t a, int32_t b, int32_t c) override;
    int32_t PrepareLoaderFolder(int32_t mode, const std::string& folder, int32_t zero,
                                int32_t* out) override;
    int32_t PasswordCharactersAllowed(const std::u16string& text) override;
    int32_t CompileImageFile() override;

  private:
    // A text result: valid until the next call that returns text.
    const char* keep(std::string text);
    // The native path of a settings file; a bare name lies in the machine folder.
    std::string settingsPath(const std::string& file);
    int32_t writeSetting(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& value);

    ui::MessageBoxes& boxes_;
    MachineConfig config_;
    PathAliases aliases_;
    std::unique_ptr<ProcessLauncher> ownLauncher_;
    ProgramStarter starter_;
    SectionedFileTable openFiles_;
    StampedCache<TextsFile> texts_;
    std::string programName_;
    std::string text_;
    std::unique_ptr<TrafficState, TrafficStateDeleter> traffic_;
};

}  // namespace kvxglib
