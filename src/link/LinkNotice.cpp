#include "link/LinkNotice.h"

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Texts.h"

namespace clink {
namespace {
constexpr int32_t kLinkFailureText = 831;
constexpr uint32_t kQuiet = 0x80000000u;  // bit 31: the caller reports failures itself
}  // namespace

void NoticeLinkResult(program::Program& program, bool result, int32_t flags) {
    bool& armed = program.linkState.LinkNoticeFlag;
    if (result) {
        armed = true;
        return;
    }
    if (!armed) return;
    armed = false;
    if ((static_cast<uint32_t>(flags) & kQuiet) == 0) {
        kvxglib::Library& glib = program.platform.glib;
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kLinkFailureText));
    }
}

}  // namespace clink
