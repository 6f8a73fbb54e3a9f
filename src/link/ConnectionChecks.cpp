#include "link/ConnectionChecks.h"

#include <string>

#include "program/Program.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"

namespace clink {

namespace {
// The local address reaches the directly connected controller whatever its own address.
constexpr int16_t LocalPla = 255;
constexpr int16_t LocalEla = 30;
constexpr int16_t SystemFile = 241;
constexpr int32_t OsKindProbe = 60;  // a text only KVXreal C controllers hold
}  // namespace

bool ReadControllerAddress(program::Program& program, int16_t& pla, int16_t& ela) {
    kvxglib::Library& glib = program.platform.glib;
    const int32_t link = program.connection.CurrentLink;
    int32_t status = 0;
    const bool plaRead = ReadSmallInt(glib, link, LocalPla, LocalEla, SystemFile, 0, 0, pla,
                                      flags::Normal, status, u"255:30.QSystem.PLA");
    status = 0;
    const bool elaRead = ReadSmallInt(glib, link, LocalPla, LocalEla, SystemFile, 0, 1, ela,
                                      flags::Normal, status, u"255:30.QSystem.ELA");
    return plaRead && elaRead;
}

void DetectControllerOsKind(program::Program& program, int16_t pla, int16_t ela) {
    Connection& connection = program.connection;
    connection.ControllerOsKind.clear();
    std::u16string probe;
    int32_t status = 0;
    if (ReadText(program.platform.glib, connection.CurrentLink, pla, ela, SystemFile, 0,
                 OsKindProbe, probe, flags::Normal, status, {}))
        connection.ControllerOsKind = "C";
}

}  // namespace clink
