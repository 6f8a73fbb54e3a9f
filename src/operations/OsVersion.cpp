#include "operations/OsVersion.h"

#include <cstdio>

#include "app/Program.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "load/Controller.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"

namespace operations {
namespace {

// An older controller tells its version as one fixed-width text, "MM.mm.bb.rrrr".
std::string olderOsVersion(app::Program& program, int16_t pla, int16_t ela) {
    const sysvars::Variable* revision = sysvars::findByName("QSystem.OsRevision");
    std::u16string read;
    int32_t status = 0;
    if (!clink::ReadText(program.platform.glib, program.connection.CurrentLink, pla, ela,
                         static_cast<int16_t>(revision->file), 0, revision->index, read,
                         clink::flags::Normal, status, {}))
        return {};
    int major = 0, minor = 0, branch = 0, number = 0;
    if (std::sscanf(text::fromWide(read).c_str(), "%d.%d.%d.%d", &major, &minor, &branch,
                    &number) != 4)
        return {};
    return std::to_string(major) + "." + std::to_string(minor) + "-" + std::to_string(branch) +
           "-" + std::to_string(number);
}

}  // namespace

std::string readOsVersion(app::Program& program) {
    const clink::Connection& c = program.connection;
    if (c.ControllerOsKind != "C") return olderOsVersion(program, c.CurrentPLA, c.CurrentELA);
    std::string text;
    const char* names[] = {"QSystem.Ver_Major", "QSystem.Ver_Minor", "QSystem.Ver_Branch",
                           "QSystem.Ver_Number"};
    const char* before[] = {"", ".", "-", "-"};
    for (int i = 0; i < 4; ++i) {
        int32_t value = 0;
        if (!load::ControllerOf(program).readNumber(c.CurrentPLA, c.CurrentELA, names[i], value))
            return {};
        text += before[i] + std::to_string(value);
    }
    return text;
}

}  // namespace operations
