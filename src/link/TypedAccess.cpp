#include "link/TypedAccess.h"

#include <limits>

#include "link/Errors.h"

namespace clink {

using kvxglib::Variant;
using kvxglib::VarRef;
namespace vt = kvxglib::vt;

int32_t SegmentIndex(int16_t segment, int32_t offset) {
    // The product is held in 16 bits and the sum in 32, as the controller's index arithmetic.
    const int32_t product = static_cast<int32_t>(segment) * 60;
    if (product < std::numeric_limits<int16_t>::min() ||
        product > std::numeric_limits<int16_t>::max())
        throw OverflowError("segment " + std::to_string(segment) + " is out of range");
    const int64_t sum = static_cast<int64_t>(product) + offset;
    if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max())
        throw OverflowError("variable index out of range");
    return static_cast<int32_t>(sum);
}

namespace {

enum class Dir { Read, Write };

struct Target {
    int32_t link;
    int16_t pla;
    int16_t ela;
    int32_t kind;
    int32_t type;
    int16_t file;
    int32_t index;
};

// One library call for one variable; `data` is the storage the carrier points at.
bool access(Glib& glib, Dir dir, const Target& t, uint16_t variantType, void* data, int32_t flags,
            int32_t& status, const Label& label) {
    VarRef ref{};
    ref.pla = t.pla;
    ref.ela = t.ela;
    ref.kind = t.kind;
    ref.type = t.type;
    ref.index = t.index;
    ref.file = t.file;
    Variant value{};
    value.type = static_cast<uint16_t>(vt::ByRef | variantType);
    value.data = data;
    const int32_t result =
        dir == Dir::Read
            ? glib.ReadVariable(t.link, &ref, &value, 1, 0, flags, &status, label.c_str())
            : glib.WriteVariable(t.link, &ref, &value, 1, 0, flags, &status, label.c_str());
    return static_cast<int16_t>(result) != 0;  // only the low 16 bits carry the answer
}

// Booleans read into a cleared 16-bit temporary that is then copied out.
bool readBool(Glib& glib, const Target& t, int16_t& value, int32_t flags, int32_t& status,
              const Label& label) {
    value = 0;
    int16_t temporary = 0;
    const bool ok = access(glib, Dir::Read, t, vt::Bool, &temporary, flags, status, label);
    value = temporary;
    return ok;
}

bool writeBool(Glib& glib, const Target& t, int16_t value, int32_t flags, int32_t& status,
               const Label& label) {
    int16_t sent = value != 0 ? -1 : 0;
    return access(glib, Dir::Write, t, vt::Bool, &sent, flags, status, label);
}

template <typename T>
bool writeCopy(Glib& glib, const Target& t, uint16_t variantType, T value, int32_t flags,
               int32_t& status, const Label& label) {
    return access(glib, Dir::Write, t, variantType, &value, flags, status, label);
}

// The caller's own text goes to the library; a write never changes it.
bool writeCallersText(Glib& glib, const Target& t, const std::u16string& value, int32_t flags,
                      int32_t& status, const Label& label) {
    return access(glib, Dir::Write, t, vt::BStr, const_cast<std::u16string*>(&value), flags, status,
                  label);
}

Target segment(int32_t link, int16_t pla, int16_t ela, int32_t type, int16_t file, int16_t seg,
               int32_t offset) {
    return {link, pla, ela, 1, type, file, SegmentIndex(seg, offset)};
}

Target plain(int32_t link, int16_t pla, int16_t ela, int32_t kind, int32_t type, int16_t file,
             int32_t index) {
    return {link, pla, ela, kind, type, file, index};
}

}  // namespace

// ---- reads ----

bool ReadBool(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
              int32_t offset, int16_t& value, int32_t flags, int32_t& status, const Label& label) {
    return readBool(glib, segment(link, pla, ela, 1, file, seg, offset), value, flags, status,
                    label);
}

bool ReadSmallInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
                  int32_t offset, int16_t& value, int32_t flags, int32_t& status,
                  const Label& label) {
    const Target t = segment(link, pla, ela, 2, file, seg, offset);
    value = 0;
    return access(glib, Dir::Read, t, vt::I2, &value, flags, status, label);
}

bool ReadInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
             int32_t offset, int16_t& value, int32_t flags, int32_t& status, const Label& label) {
    return access(glib, Dir::Read, segment(link, pla, ela, 3, file, seg, offset), vt::I2, &value,
                  flags, status, label);
}

bool ReadReal(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
              int32_t offset, float& value, int32_t flags, int32_t& status, const Label& label) {
    return access(glib, Dir::Read, segment(link, pla, ela, 4, file, seg, offset), vt::R4, &value,
                  flags, status, label);
}

bool ReadLong(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
              int32_t offset, int32_t& value, int32_t flags, int32_t& status, const Label& label) {
    return access(glib, Dir::Read, segment(link, pla, ela, 6, file, seg, offset), vt::I4, &value,
                  flags, status, label);
}

bool ReadText(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
              int32_t offset, std::u16string& value, int32_t flags, int32_t& status,
              const Label& label) {
    return access(glib, Dir::Read, segment(link, pla, ela, 5, file, seg, offset), vt::BStr, &value,
                  flags, status, label);
}

bool ReadTextK4(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                std::u16string& value, int32_t flags, int32_t& status, const Label& label) {
    return access(glib, Dir::Read, plain(link, pla, ela, 4, 5, file, file), vt::BStr, &value, flags,
                  status, label);
}

bool ReadBoolK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                int16_t& value, int32_t flags, int32_t& status, const Label& label) {
    return readBool(glib, plain(link, pla, ela, 5, 1, file, index), value, flags, status, label);
}

bool ReadSmallIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                    int16_t& value, int32_t flags, int32_t& status, const Label& label) {
    value = 0;
    return access(glib, Dir::Read, plain(link, pla, ela, 5, 2, file, index), vt::I2, &value, flags,
                  status, label);
}

bool ReadIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
               int16_t& value, int32_t flags, int32_t& status, const Label& label) {
    return access(glib, Dir::Read, plain(link, pla, ela, 5, 3, file, index), vt::I2, &value, flags,
                  status, label);
}

bool ReadRealK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                float& value, int32_t flags, int32_t& status, const Label& label) {
    return access(glib, Dir::Read, plain(link, pla, ela, 5, 4, file, index), vt::R4, &value, flags,
                  status, label);
}

// ---- writes, kind 1 ----

bool WriteBool(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
               int32_t offset, int16_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeBool(glib, segment(link, pla, ela, 1, file, seg, offset), value, flags, status,
                     label);
}

bool WriteSmallInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
                   int32_t offset, int16_t value, int32_t flags, int32_t& status,
                   const Label& label) {
    return writeCopy(glib, segment(link, pla, ela, 2, file, seg, offset), vt::I2, value, flags,
                     status, label);
}

bool WriteInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
              int32_t offset, int16_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, segment(link, pla, ela, 3, file, seg, offset), vt::I2, value, flags,
                     status, label);
}

bool WriteReal(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
               int32_t offset, float value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, segment(link, pla, ela, 4, file, seg, offset), vt::R4, value, flags,
                     status, label);
}

bool WriteLong(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
               int32_t offset, int32_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, segment(link, pla, ela, 6, file, seg, offset), vt::I4, value, flags,
                     status, label);
}

bool WriteText(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t seg,
               int32_t offset, const std::u16string& value, int32_t flags, int32_t& status,
               const Label& label) {
    return writeCopy(glib, segment(link, pla, ela, 5, file, seg, offset), vt::BStr, value, flags,
                     status, label);
}

bool WriteTextAt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label) {
    return writeCallersText(glib, plain(link, pla, ela, 1, 5, file, index), value, flags, status,
                            label);
}

// ---- writes, kind 3 ----

bool WriteBoolK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 int16_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeBool(glib, plain(link, pla, ela, 3, 1, file, index), value, flags, status, label);
}

bool WriteSmallIntK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                     int32_t index, int16_t value, int32_t flags, int32_t& status,
                     const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 3, 2, file, index), vt::I2, value, flags, status,
                     label);
}

bool WriteIntK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                int16_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 3, 3, file, index), vt::I2, value, flags, status,
                     label);
}

bool WriteRealK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 float value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 3, 4, file, index), vt::R4, value, flags, status,
                     label);
}

bool WriteLongK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 int32_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 3, 6, file, index), vt::I4, value, flags, status,
                     label);
}

bool WriteTextK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 3, 5, file, index), vt::BStr, value, flags, status,
                     label);
}

// ---- writes, kind 4 ----

bool WriteTextK4(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label) {
    return writeCallersText(glib, plain(link, pla, ela, 4, 5, file, file), value, flags, status,
                            label);
}

// ---- writes, kind 5 ----

bool WriteBoolK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 int16_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeBool(glib, plain(link, pla, ela, 5, 1, file, index), value, flags, status, label);
}

bool WriteSmallIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                     int32_t index, int16_t value, int32_t flags, int32_t& status,
                     const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 5, 2, file, index), vt::I2, value, flags, status,
                     label);
}

bool WriteIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                int16_t value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 5, 3, file, index), vt::I2, value, flags, status,
                     label);
}

bool WriteRealK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 float value, int32_t flags, int32_t& status, const Label& label) {
    return writeCopy(glib, plain(link, pla, ela, 5, 4, file, index), vt::R4, value, flags, status,
                     label);
}

bool WriteTextK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label) {
    return writeCallersText(glib, plain(link, pla, ela, 5, 5, file, index), value, flags, status,
                            label);
}

bool WriteLongAsTextK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                       int32_t index, const std::u16string& value, int32_t flags, int32_t& status,
                       const Label& label) {
    return writeCallersText(glib, plain(link, pla, ela, 5, 6, file, index), value, flags, status,
                            label);
}

}  // namespace clink
