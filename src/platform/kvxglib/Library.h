#pragma once
// The general library: one virtual function per ordinal the program calls. Texts are UTF-8
// ("8-bit text in the system code page"); a `const char*` result points at a zero-terminated
// text owned by the library that stays valid until the next call returning text.
#include <cstdint>
#include <string>

#include "platform/kvxglib/VarRef.h"

namespace kvxglib {

using RequestHandle = int32_t;

class Library {
public:
    virtual ~Library() = default;

    // ---- texts, paths and files ----
    // #3 numbered text of a texts file
    virtual const char* GetText(const std::string& textsFile, int32_t number, int32_t zero,
                                int32_t& status) = 0;
    // #2198 copy a library text into a buffer; returns the bytes copied
    virtual int32_t CopyText(char* destination, const char* source, int32_t length) = 0;
    // #2024 join a relative name to a folder
    virtual const char* JoinPath(const std::string& name, const std::string& folder) = 0;
    // #2028 folder that holds the last name of a path
    virtual const char* ParentFolder(const std::string& path) = 0;
    // #2030 last name of a path
    virtual const char* LastPathName(const std::string& path) = 0;
    // #2081 resolve a leading path alias
    virtual const char* ResolvePath(const std::string& path, int32_t options, int32_t& out) = 0;
    // #306 non-zero when the file exists
    virtual int32_t FileExists(const std::string& path) = 0;
    // #324 delete a file
    virtual int32_t DeleteFile(const std::string& path, int32_t zero, int32_t& status,
                               const std::string& empty) = 0;
    // #325 rename a file
    virtual int32_t RenameFile(const std::string& source, const std::string& target, int32_t zero,
                               int32_t& status, const std::string& empty) = 0;
    // #1052 read one key of a settings file; the default when absent
    virtual const char* ReadSetting(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& defaultValue) = 0;
    // #1112 write a text key
    virtual int32_t WriteSettingText(const std::string& file, const std::string& section,
                                     const std::string& key, const std::string& value,
                                     int32_t flags) = 0;
    // #1110 write a numeric key; non-zero when written
    virtual int32_t WriteSettingNumber(const std::string& file, const std::string& section,
                                       const std::string& key, int32_t value, int32_t zero) = 0;
    // #1086 open a sectioned text file for reading; -1 when opened, 0 when not
    virtual int32_t OpenSectionedFile(const std::string& path, int32_t& handle, int32_t zero1,
                                      int32_t zero2, int32_t& status,
                                      const std::string& empty) = 0;
    // #1047 next section: a section cursor, 0 when there is none
    virtual int32_t NextSection(int32_t handle, std::string& name, std::string& second,
                                int32_t& status) = 0;
    // #1046 next entry of a section: non-zero while an entry was delivered
    virtual int32_t NextEntry(int32_t sectionCursor, std::string& key, std::string& value,
                              std::string& third, int32_t& status) = 0;
    // #1051 find a section by name: its cursor, 0 when absent
    virtual int32_t FindSection(int32_t handle, const std::string& name, std::string& text,
                                int32_t& status, int32_t zero) = 0;
    // #1010 close a sectioned file
    virtual void CloseSectionedFile(int32_t& handle) = 0;

    // ---- messages and programs ----
    // #4 show a message (kind 0 error, 2 information)
    virtual int32_t ShowMessage(const std::string& text, int32_t kind) = 0;
    // #5 ask a question; returns the button pressed (1 OK, 2 Cancel, 6 Yes, 7 No)
    virtual int32_t AskQuestion(const std::string& text, int32_t value, const std::string& caption,
                                int32_t buttons) = 0;
    // #8 start-up of a program using the library
    virtual int32_t StartUp(const std::string& programName, int32_t zero1, int32_t& out1,
                            int32_t zero2, int32_t& out2) = 0;
    // #329 start an external program or open a document
    virtual int32_t RunProgram(const std::string& program, const std::string& arguments,
                               const std::string& directory, int32_t& out1, int32_t showMode,
                               int32_t& out2, const std::string& extra) = 0;

    // ---- controller traffic ----
    // #845 read one variable
    virtual int32_t ReadVariable(int32_t link, VarRef* ref, Variant* value, int32_t count,
                                 int32_t zero, int32_t flags, int32_t* status,
                                 const char16_t* label) = 0;
    // #846 write one variable
    virtual int32_t WriteVariable(int32_t link, VarRef* ref, Variant* value, int32_t count,
                                  int32_t zero, int32_t flags, int32_t* status,
                                  const char16_t* label) = 0;
    // #881 open a write batch: fills the buffer start and the write cursor
    virtual int32_t OpenWriteBatch(uint8_t** start, uint8_t** cursor, int32_t flags,
                                   int32_t* status) = 0;
    // #884 append one write to a batch; advances the cursor
    virtual int32_t AppendWrite(VarRef* ref, Variant* value, uint8_t* start, uint8_t** cursor,
                                int32_t count, int32_t flags, int32_t* status) = 0;
    // #802 create a request object
    virtual RequestHandle CreateRequest(int32_t size) = 0;
    // #823 bind a request object to a link; non-zero when bound
    virtual int32_t BindRequest(RequestHandle request, int32_t link) = 0;
    // #814 submit the request bytes
    virtual int32_t SubmitRequest(RequestHandle request, const uint8_t* bytes, int16_t count,
                                  int16_t option, int32_t flags, std::string& label) = 0;
    // #809 start the exchange; non-zero when started
    virtual int32_t StartExchange(RequestHandle request) = 0;
    // #810 low 16 bits non-zero when the exchange is complete
    virtual int32_t ExchangeComplete(RequestHandle request) = 0;
    // #2145 let the user interface process its events while waiting
    virtual void Yield() = 0;
    // #807 fetch the reply: length in = capacity, out = bytes received
    virtual int32_t FetchReply(RequestHandle request, uint8_t* reply, int16_t* length,
                               int16_t* code1, int16_t* code2) = 0;
    // #804 release a request object
    virtual void ReleaseRequest(RequestHandle request, int32_t size) = 0;
    // #827 set the controller's clock to the host's local time
    virtual int32_t SetControllerClock(int32_t link, uint8_t pla, uint8_t ela, uint8_t file,
                                       int32_t zero, intptr_t window, int32_t a, int32_t b,
                                       int32_t c) = 0;
    // #2244 -1 when every character of a password is allowed (printable ASCII without space,
    // quotes, backquote and backslash), else 0
    virtual int32_t PasswordCharactersAllowed(const std::u16string& text) = 0;
    // #2313 -1 when two serial numbers name the same controller (letter case and trailing
    // blanks do not count), else 0
    virtual int32_t SameSerialNumber(const std::string& a, const std::string& b) = 0;
    // #2042 a Boolean as text: "True" for any non-zero value, else "False"
    virtual const char* BooleanText(int16_t value) = 0;
    // #2179 the model (module-type) name for a decimal code; the code itself when unknown
    virtual const char* ModelName(const std::string& decimalCode) = 0;
    // #2077 compile a new image file. The catalogue ships every image already built ("Image.Bin",
    // "Image.Ecp"), so nothing is compiled: 0, no image made.
    virtual int32_t CompileImageFile() = 0;
    // #2079 prepare the job loader's folder
    virtual int32_t PrepareLoaderFolder(int32_t mode, const std::string& folder, int32_t zero,
                                        int32_t* out) = 0;
};

}  // namespace kvxglib
