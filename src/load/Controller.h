#pragma once
// The controller on the program's current link, through the link services.
#include <cstdint>
#include <string>
#include <vector>

#include "program/Controller.h"

namespace program {
struct Program;
}

namespace load {

// The controller on the program's current link.
class LinkController final : public Controller {
  public:
    explicit LinkController(program::Program& program) : program_(program) {}

    bool readControllerAddress(int16_t& pla, int16_t& ela) override;
    void detectOsKind(int16_t pla, int16_t ela) override;
    bool poll(int16_t pla, int16_t ela) override;
    void coolStart(int16_t pla, int16_t ela) override;
    void coldStart(int16_t pla, int16_t ela) override;
    void setClock(int16_t pla, int16_t ela) override;
    bool activate(int16_t pla, int16_t ela, int16_t partition, int16_t subApplication) override;
    TrialAnswer activateOnTrial(int16_t pla, int16_t ela, int16_t partition,
                                int16_t subApplication, int16_t returnPartition,
                                int16_t returnSubApplication, uint32_t askMs,
                                uint32_t& grantedMs) override;
    bool confirmTrial(int16_t pla, int16_t ela, int16_t partition,
                      int16_t subApplication) override;
    bool trialStatus(int16_t pla, int16_t ela, wire::TrialReport& report) override;
    bool allPartitions(int16_t pla, int16_t ela, std::vector<uint8_t>& partitions) override;
    bool partAttr(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                  int32_t& value) override;
    bool setPartAttr(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                     int32_t value) override;
    bool partText(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                  std::string& text) override;
    bool setPartText(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                     const std::string& text) override;
    bool readNumber(int16_t pla, int16_t ela, const std::string& name, int32_t& value) override;
    bool writeNumber(int16_t pla, int16_t ela, const std::string& name, int32_t value) override;
    bool readSystemSmallInt(int16_t pla, int16_t ela, int32_t index, int16_t& value,
                            const std::string& label) override;
    bool readSystemInt(int16_t pla, int16_t ela, int32_t index, int16_t& value,
                       const std::string& label) override;
    bool writeSystemSmallInt(int16_t pla, int16_t ela, int32_t index, int16_t value) override;

  private:
    program::Program& program_;
};

// The program's controller, made for the current link on first use.
Controller& ControllerOf(program::Program& program);

}  // namespace load
