#pragma once
// Typed variable access: one member per direction, addressing kind and data type, each one
// library read (#845) or write (#846). All return true when the library's 16-bit result is
// non-zero. Arguments: library, link handle, PLA, ELA, file, the index in the member's form,
// value, flags, status, label.
//
// Index forms: segment form (segment, offset; index = segment * 60 + offset, raising
// OverflowError before any library call when it does not fit), plain form (index), file form
// (no argument; index = file number).
//
// Booleans are 16-bit, true = -1. Texts are wide; the value carrier points at them.
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/kvxglib/Library.h"
#include "platform/kvxglib/VarRef.h"

namespace clink {

using Glib = kvxglib::Library;
using Label = std::u16string;

// ---- reads (#845) ----
bool ReadBool(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
              int32_t offset, int16_t& value, int32_t flags, int32_t& status, const Label& label);
bool ReadSmallInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
                  int32_t offset, int16_t& value, int32_t flags, int32_t& status,
                  const Label& label);
bool ReadInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
             int32_t offset, int16_t& value, int32_t flags, int32_t& status, const Label& label);
bool ReadReal(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
              int32_t offset, float& value, int32_t flags, int32_t& status, const Label& label);
bool ReadLong(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
              int32_t offset, int32_t& value, int32_t flags, int32_t& status, const Label& label);
bool ReadText(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
              int32_t offset, std::u16string& value, int32_t flags, int32_t& status,
              const Label& label);
bool ReadTextK4(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                std::u16string& value, int32_t flags, int32_t& status, const Label& label);
bool ReadBoolK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                int16_t& value, int32_t flags, int32_t& status, const Label& label);
bool ReadSmallIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                    int16_t& value, int32_t flags, int32_t& status, const Label& label);
bool ReadIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
               int16_t& value, int32_t flags, int32_t& status, const Label& label);
bool ReadRealK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                float& value, int32_t flags, int32_t& status, const Label& label);

// ---- writes (#846), kind 1 (segment form, but WriteTextAt) ----
bool WriteBool(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
               int32_t offset, int16_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteSmallInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                   int16_t segment, int32_t offset, int16_t value, int32_t flags, int32_t& status,
                   const Label& label);
bool WriteInt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
              int32_t offset, int16_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteReal(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
               int32_t offset, float value, int32_t flags, int32_t& status, const Label& label);
bool WriteLong(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
               int32_t offset, int32_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteText(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int16_t segment,
               int32_t offset, const std::u16string& value, int32_t flags, int32_t& status,
               const Label& label);
bool WriteTextAt(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label);

// ---- writes, kind 3 (plain form) ----
bool WriteBoolK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 int16_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteSmallIntK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                     int32_t index, int16_t value, int32_t flags, int32_t& status,
                     const Label& label);
bool WriteIntK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                int16_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteRealK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 float value, int32_t flags, int32_t& status, const Label& label);
bool WriteLongK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 int32_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteTextK3(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label);

// ---- writes, kind 4 (file form) ----
bool WriteTextK4(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label);

// ---- writes, kind 5 (plain form) ----
bool WriteBoolK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 int16_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteSmallIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                     int32_t index, int16_t value, int32_t flags, int32_t& status,
                     const Label& label);
bool WriteIntK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                int16_t value, int32_t flags, int32_t& status, const Label& label);
bool WriteRealK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 float value, int32_t flags, int32_t& status, const Label& label);
bool WriteTextK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file, int32_t index,
                 const std::u16string& value, int32_t flags, int32_t& status, const Label& label);
// Kind-5 long integers travel as text: `value` is the number's decimal text, made by the caller.
bool WriteLongAsTextK5(Glib& glib, int32_t link, int16_t pla, int16_t ela, int16_t file,
                       int32_t index, const std::u16string& value, int32_t flags, int32_t& status,
                       const Label& label);

// Writes two variables in one batched request. The references go to the library as given
// (kind included); the values are carriers the caller built. Bit 15 of `flags` asks for
// option 1 and is cleared in the caller's variable; bit 12 waits with the library's yield
// call instead of 1 ms sleeps. True only when the exchange ran and the reply was fetched.
bool WriteVarPair(Platform& platform, int32_t link, kvxglib::VarRef& first,
                  kvxglib::Variant& firstValue, kvxglib::VarRef& second,
                  kvxglib::Variant& secondValue, int32_t& flags, int32_t& status,
                  const Label& label);

// index = segment * 60 + offset, the product in 16 bits and the sum in 32; OverflowError when
// either does not fit.
int32_t SegmentIndex(int16_t segment, int32_t offset);

}  // namespace clink
