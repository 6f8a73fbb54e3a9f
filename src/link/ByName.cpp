#include "link/ByName.h"

#include "program/Program.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "link/ValueConversion.h"
#include "link/VarName.h"
#include "platform/text/Text.h"

namespace clink {
namespace {

constexpr int16_t kSystemFile = 241;
constexpr int32_t kModuleTypeIndex = 36;

bool isSegmentKind(int32_t kind) { return kind == 1 || kind == 2; }

// The caller's value, unconverted, in a value carrier that points at a copy of it.
struct Carrier {
    explicit Carrier(const VarValue& value) {
        using namespace kvxglib::vt;
        struct Fill {
            Carrier& c;
            void operator()(std::monostate) const { c.variant.type = ByRef; }
            void operator()(bool b) const { c.point(Bool, &(c.i16 = b ? -1 : 0)); }
            void operator()(int16_t v) const { c.point(I2, &(c.i16 = v)); }
            void operator()(int32_t v) const { c.point(I4, &(c.i32 = v)); }
            void operator()(float v) const { c.point(R4, &(c.r4 = v)); }
            void operator()(double v) const { c.point(kR8, &(c.r8 = v)); }
            void operator()(const std::string& s) const {
                c.point(BStr, &(c.text = text::toWide(s)));
            }
        };
        std::visit(Fill{*this}, value);
    }
    Carrier(const Carrier&) = delete;
    Carrier& operator=(const Carrier&) = delete;

    static constexpr uint16_t kR8 = 0x0005;
    void point(uint16_t type, void* data) {
        variant.type = static_cast<uint16_t>(kvxglib::vt::ByRef | type);
        variant.data = data;
    }

    kvxglib::Variant variant;
    int16_t i16 = 0;
    int32_t i32 = 0;
    float r4 = 0;
    double r8 = 0;
    std::u16string text;
};

// The caller's value as the variable's type: the library takes a carrier only of exactly that
// type, so a 32-bit or Boolean value for another numeric variable would fail before anything
// is sent. ConversionError when it does not fit.
VarValue asVariableType(const VarValue& value, int32_t type) {
    switch (type) {
        case 1:
            return ToInt16(value) != 0;
        case 2:
        case 3:
            return ToInt16(value);
        case 4:
            return ToSingle(value);
        case 5:
            return text::fromWide(ToText(value));
        case 6:
            return ToInt32(value);
        default:
            return value;
    }
}

}  // namespace

bool ReadableByName(const ResolvedVar& var) {
    if (isSegmentKind(var.kind)) return var.type >= 1 && var.type <= 6 && var.type != 5;
    if (var.kind == 4) return var.type == 5;
    if (var.kind == 5) return var.type >= 1 && var.type <= 4;
    return false;
}

bool ReadVar(program::Program& program, int16_t pla, int16_t ela, const std::string& name,
             VarValue& value, int32_t flags, int32_t& status) {
    ResolvedVar var;
    if (!ResolveVarName(program, name, var) || !ReadableByName(var)) return false;
    Glib& glib = program.platform.glib;
    const int32_t link = program.connection.CurrentLink;
    const Label label = text::toWide(name);
    const int16_t f = var.file;
    const int32_t i = var.index;

    int16_t small = 0;
    float real = 0;
    int32_t wide = 0;
    std::u16string text;
    bool ok = false;
    if (isSegmentKind(var.kind)) {
        switch (var.type) {
            case 1:
                ok = ReadBool(glib, link, pla, ela, f, 0, i, small, flags, status, label);
                break;
            case 2:
                ok = ReadSmallInt(glib, link, pla, ela, f, 0, i, small, flags, status, label);
                break;
            case 3:
                ok = ReadInt(glib, link, pla, ela, f, 0, i, small, flags, status, label);
                break;
            case 4:
                ok = ReadReal(glib, link, pla, ela, f, 0, i, real, flags, status, label);
                break;
            case 6:
                ok = ReadLong(glib, link, pla, ela, f, 0, i, wide, flags, status, label);
                break;
            default:
                return false;
        }
    } else if (var.kind == 4) {
        if (var.type != 5) return false;
        ok = ReadTextK4(glib, link, pla, ela, f, text, flags, status, label);
    } else if (var.kind == 5) {
        switch (var.type) {
            case 1:
                ok = ReadBoolK5(glib, link, pla, ela, f, i, small, flags, status, label);
                break;
            case 2:
                ok = ReadSmallIntK5(glib, link, pla, ela, f, i, small, flags, status, label);
                break;
            case 3:
                ok = ReadIntK5(glib, link, pla, ela, f, i, small, flags, status, label);
                break;
            case 4:
                ok = ReadRealK5(glib, link, pla, ela, f, i, real, flags, status, label);
                break;
            default:
                return false;
        }
    } else {
        return false;
    }
    if (!ok) return false;
    switch (var.type) {
        case 4:
            value = real;
            break;
        case 5:
            value = text::fromWide(text);
            break;
        case 6:
            value = wide;
            break;
        default:
            value = small;
            break;
    }
    return true;
}

bool WriteVar(program::Program& program, int16_t pla, int16_t ela, const std::string& name,
              const VarValue& value, int32_t flags, int32_t& status) {
    ResolvedVar var;
    if (!ResolveVarName(program, name, var) || var.kind <= 0) return false;
    Glib& glib = program.platform.glib;
    const int32_t link = program.connection.CurrentLink;
    const Label label = text::toWide(name);
    const int16_t f = var.file;
    const int32_t i = var.index;

    // Converted here, so a value that does not fit raises before anything is sent.
    int16_t small = 0;
    float real = 0;
    int32_t wide = 0;
    std::u16string text;
    switch (var.type) {
        case 1:
        case 2:
        case 3:
            small = ToInt16(value);
            break;
        case 4:
            real = ToSingle(value);
            break;
        case 5:
            text = ToText(value);
            break;
        case 6:
            wide = ToInt32(value);
            break;
        default:
            return false;
    }

    if (isSegmentKind(var.kind)) {
        switch (var.type) {
            case 1:
                return WriteBool(glib, link, pla, ela, f, 0, i, small, flags, status, label);
            case 2:
                return WriteSmallInt(glib, link, pla, ela, f, 0, i, small, flags, status, label);
            case 3:
                return WriteInt(glib, link, pla, ela, f, 0, i, small, flags, status, label);
            case 4:
                return WriteReal(glib, link, pla, ela, f, 0, i, real, flags, status, label);
            case 5:
                return WriteTextAt(glib, link, pla, ela, f, i, text, flags, status, label);
            case 6:
                return WriteLong(glib, link, pla, ela, f, 0, i, wide, flags, status, label);
        }
    } else if (var.kind == 3) {
        switch (var.type) {
            case 1:
                return WriteBoolK3(glib, link, pla, ela, f, i, small, flags, status, label);
            case 2:
                return WriteSmallIntK3(glib, link, pla, ela, f, i, small, flags, status, label);
            case 3:
                return WriteIntK3(glib, link, pla, ela, f, i, small, flags, status, label);
            case 4:
                return WriteRealK3(glib, link, pla, ela, f, i, real, flags, status, label);
            case 5:
                return WriteTextK3(glib, link, pla, ela, f, i, text, flags, status, label);
            case 6:
                return WriteLongK3(glib, link, pla, ela, f, i, wide, flags, status, label);
        }
    } else if (var.kind == 4) {
        if (var.type == 5) return WriteTextK4(glib, link, pla, ela, f, text, flags, status, label);
    } else if (var.kind == 5) {
        switch (var.type) {
            case 1:
                return WriteBoolK5(glib, link, pla, ela, f, i, small, flags, status, label);
            case 2:
                return WriteSmallIntK5(glib, link, pla, ela, f, i, small, flags, status, label);
            case 3:
                return WriteIntK5(glib, link, pla, ela, f, i, small, flags, status, label);
            case 4:
                return WriteRealK5(glib, link, pla, ela, f, i, real, flags, status, label);
            case 5:
                return WriteTextK5(glib, link, pla, ela, f, i, text, flags, status, label);
            case 6:
                return WriteLongAsTextK5(glib, link, pla, ela, f, i,
                                         text::toWide(std::to_string(wide)), flags, status, label);
        }
    }
    return false;
}

bool WriteVars(program::Program& program, int16_t pla, int16_t ela, const std::string& firstName,
               const VarValue& firstValue, const std::string& secondName,
               const VarValue& secondValue, int32_t flags, int32_t& status) {
    ResolvedVar first;
    ResolvedVar second;
    if (!ResolveVarName(program, firstName, first)) return false;
    if (!ResolveVarName(program, secondName, second)) return false;
    auto reference = [&](const ResolvedVar& var) {
        kvxglib::VarRef ref;
        ref.pla = pla;
        ref.ela = ela;
        ref.kind = var.kind;
        ref.type = var.type;
        ref.index = var.index;
        ref.file = var.file;
        return ref;
    };
    kvxglib::VarRef firstRef = reference(first);
    kvxglib::VarRef secondRef = reference(second);
    Carrier firstCarrier(asVariableType(firstValue, first.type));
    Carrier secondCarrier(asVariableType(secondValue, second.type));
    return WriteVarPair(program.platform, program.connection.CurrentLink, firstRef,
                        firstCarrier.variant, secondRef, secondCarrier.variant, flags, status,
                        Label());
}

bool ReadModuleType(program::Program& program, int16_t pla, int16_t ela, int16_t& value) {
    int32_t status = 0;
    return ReadInt(program.platform.glib, program.connection.CurrentLink, pla, ela, kSystemFile, 0,
                   kModuleTypeIndex, value, flags::Normal, status, Label());
}

}  // namespace clink
