#pragma once
// What the Communication Settings dialog asks of the controller on the chosen link. The real
// checks go through the link services; tests script the answers.
#include <cstdint>
#include <string>

namespace program {
struct Program;
}

namespace network {

class ComChecks {
  public:
    virtual ~ComChecks() = default;
    // Why link 0, the serial port, cannot be opened now; empty when it opens (or nobody can
    // tell).
    virtual std::string serialProblem() = 0;
    // The directly connected controller's own address.
    virtual bool readControllerAddress(int16_t& pla, int16_t& ela) = 0;
    // Sets the connection's ControllerOsKind from the controller at pla:ela.
    virtual void detectOsKind(int16_t pla, int16_t ela) = 0;
    // A poll on the current link; `label` names the controller in the library's reports.
    virtual bool poll(int16_t pla, int16_t ela, const std::string& label) = 0;
    // The address under which the connected controller answers.
    virtual bool locate(int16_t& pla, int16_t& ela) = 0;
    // The name of the module type of the controller at pla:ela; empty when it cannot be read.
    virtual std::string moduleTypeName(int16_t /*pla*/, int16_t /*ela*/) { return {}; }
};

class LinkComChecks final : public ComChecks {
  public:
    explicit LinkComChecks(program::Program& program) : program_(program) {}
    std::string serialProblem() override;
    bool readControllerAddress(int16_t& pla, int16_t& ela) override;
    void detectOsKind(int16_t pla, int16_t ela) override;
    bool poll(int16_t pla, int16_t ela, const std::string& label) override;
    bool locate(int16_t& pla, int16_t& ela) override;
    std::string moduleTypeName(int16_t pla, int16_t ela) override;

  private:
    program::Program& program_;
};

}  // namespace network
