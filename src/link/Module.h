#pragma once
// The object interface to the current controller: by-name access at the program-wide address,
// the address check and the module address change. Each method gives its Boolean through an
// out value. The methods are virtual, declared in the order of their slots, for the tools that
// reach the object through its table.
#include <cstdint>
#include <string>

#include "link/VarValue.h"

namespace program {
struct Program;
}

namespace clink {

class Module {
  public:
    explicit Module(program::Program& program) : program_(program) {}
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    virtual void Init();
    // PLA 1..254 and ELA 1..255; otherwise text 635 (PLA, tested first) or 636 is shown.
    virtual void IsAddrValid(int16_t pla, int16_t ela, bool& result);
    virtual void ChangeModuleAddr(int16_t oldPla, int16_t oldEla, int16_t newPla, int16_t newEla,
                                  bool& result);
    // The accesses always send flags 0x80000000; `flags` only decides whether a link failure
    // is told to the user (bit 31 set: it is not).
    virtual void ReadVarByName(const std::string& name, VarValue& value, int32_t flags,
                               bool& result);
    virtual void WriteVarByName(const std::string& name, const VarValue& value, int32_t flags,
                                bool& result);
    virtual void WriteVarsByName(const std::string& firstName, const VarValue& firstValue,
                                 const std::string& secondName, const VarValue& secondValue,
                                 int32_t flags, bool& result);
    virtual void Poll(bool& result);

  private:
    virtual void ReportResult(bool result, int32_t flags);

  public:
    virtual ~Module() = default;  // last, so the methods keep the first slots

  private:
    program::Program& program_;
    bool lastResult_ = false;
};

}  // namespace clink
