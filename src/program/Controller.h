#pragma once
// What the loading and maintenance commands ask of a controller, on the current link. The real
// one goes through the link services; tests put a scripted controller in its place.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wire/TrialPayloads.h"

namespace load {

class Controller {
  public:
    virtual ~Controller() = default;

    // The presence check: the controller's own address through 255:30, or, when the connection
    // has a Target, that the target answers at its address (which it then returns).
    virtual bool readControllerAddress(int16_t& pla, int16_t& ela) = 0;
    // Sets the connection's ControllerOsKind.
    virtual void detectOsKind(int16_t pla, int16_t ela) = 0;
    // The poll request with flags 0 and an empty label.
    virtual bool poll(int16_t pla, int16_t ela) = 0;
    virtual void coolStart(int16_t pla, int16_t ela) = 0;
    virtual void coldStart(int16_t pla, int16_t ela) = 0;
    virtual void setClock(int16_t pla, int16_t ela) = 0;
    virtual bool activate(int16_t pla, int16_t ela, int16_t partition, int16_t subApplication) = 0;
    // Activation on trial (see load/TrialActivation.h). A controller that knows no trial
    // answers NotKnown, which is what one without these services says.
    enum class TrialAnswer { Accepted, NotKnown, Failed };
    virtual TrialAnswer activateOnTrial(int16_t /*pla*/, int16_t /*ela*/, int16_t /*partition*/,
                                        int16_t /*subApplication*/, int16_t /*returnPartition*/,
                                        int16_t /*returnSubApplication*/, uint32_t /*askMs*/,
                                        uint32_t& /*grantedMs*/) {
        return TrialAnswer::NotKnown;
    }
    virtual bool confirmTrial(int16_t /*pla*/, int16_t /*ela*/, int16_t /*partition*/,
                              int16_t /*subApplication*/) {
        return false;
    }
    virtual bool trialStatus(int16_t /*pla*/, int16_t /*ela*/, wire::TrialReport& /*report*/) {
        return false;
    }

    virtual bool allPartitions(int16_t pla, int16_t ela, std::vector<uint8_t>& partitions) = 0;
    virtual bool partAttr(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                          int32_t& value) = 0;
    virtual bool setPartAttr(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                             int32_t value) = 0;
    virtual bool partText(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                          std::string& text) = 0;
    virtual bool setPartText(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                             const std::string& text) = 0;

    // A numeric variable by name; `value` is set only on success.
    virtual bool readNumber(int16_t pla, int16_t ela, const std::string& name,
                            int32_t& value) = 0;
    virtual bool writeNumber(int16_t pla, int16_t ela, const std::string& name,
                             int32_t value) = 0;
    // File 241 by index: small integers (the address), the integer read of the active
    // partition (index 88) and the module type (index 36).
    virtual bool readSystemSmallInt(int16_t pla, int16_t ela, int32_t index, int16_t& value,
                                    const std::string& label) = 0;
    virtual bool readSystemInt(int16_t pla, int16_t ela, int32_t index, int16_t& value,
                               const std::string& label) = 0;
    virtual bool writeSystemSmallInt(int16_t pla, int16_t ela, int32_t index, int16_t value) = 0;
};

}  // namespace load
