#pragma once
// The naming library: projects of module folders and the names of their variables.
#include <cstdint>
#include <string>

namespace kvxnam {

class Library {
public:
    virtual ~Library() = default;

    // #148 open a project on a folder; -1 on success, the handle receives the project
    virtual int32_t OpenProject(const std::u16string& folder, int32_t& handle, int32_t zero1,
                                int32_t& out1, int32_t zero2, int32_t zero3, int32_t& out2,
                                const std::u16string& empty) = 0;
    // #126 close a project
    virtual int32_t CloseProject(int32_t& handle) = 0;
    // #122 select a module folder within the project
    virtual int32_t SelectModule(int32_t handle, const std::string& moduleFolder,
                                 int32_t zero) = 0;
    // #145 look up a qualified variable name; non-zero when known
    virtual int32_t LookupName(int32_t handle, const std::u16string& name, int32_t& ignored1,
                               int32_t& ignored2, int16_t& file, int32_t& index, int32_t& type,
                               int32_t& kind, int32_t zero, int32_t& extra) = 0;
};

}  // namespace kvxnam
