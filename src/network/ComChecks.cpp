#include "network/ComChecks.h"

#include "catalogue/LibraryText.h"
#include "link/ByName.h"
#include "link/ConnectionChecks.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "network/ControllerLookup.h"
#include "program/Program.h"

namespace network {

std::string LinkComChecks::serialProblem() {
    std::string why;
    if (program_.platform.serialPort != nullptr) program_.platform.serialPort->open(why);
    return why;
}

bool LinkComChecks::readControllerAddress(int16_t& pla, int16_t& ela) {
    return clink::ReadControllerAddress(program_, pla, ela);
}

void LinkComChecks::detectOsKind(int16_t pla, int16_t ela) {
    clink::DetectControllerOsKind(program_, pla, ela);
}

bool LinkComChecks::poll(int16_t pla, int16_t ela, const std::string& label) {
    int32_t flags = clink::flags::Normal;
    int32_t status = 0;
    std::string text = label;
    return clink::PollWithLink(program_.platform, program_.connection.CurrentLink, pla, ela, flags,
                               status, text);
}

bool LinkComChecks::locate(int16_t& pla, int16_t& ela) {
    return LocateControllerAddress(program_, pla, ela);
}

std::string LinkComChecks::moduleTypeName(int16_t pla, int16_t ela) {
    int16_t type = 0;
    if (!clink::ReadModuleType(program_, pla, ela, type)) return {};
    kvxglib::Library& glib = program_.platform.glib;
    return catalogue::TextFromPointer(glib, glib.ModelName(std::to_string(type)));
}

}  // namespace network
