#pragma once
// One system variable of a controller: the name the program uses for it, where it lives, its
// type and the value a fresh controller starts with.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/wire/Variable.h"

namespace sysvars {

// Which controllers carry a variable: the TCP/IP, partition and service variables exist only
// on KVXreal C controllers; the cold-start flag of the TCP/IP option only on the older ones.
enum class Family : uint8_t { Every, KvxrealC, Older };

struct Variable {
    std::string_view fileName;  // "QSystem"
    std::string_view name;      // "PLA"
    uint16_t file;
    int32_t index;
    wire::VarType type;
    uint8_t kind;        // 1..5, as the name lookup reports it
    uint16_t maxLength;  // texts: most code page 850 bytes; 0 for other types
    Family family;
    int32_t defaultNumber;         // start value of Booleans (-1/0), integers and reals
    std::string_view defaultText;  // start value of texts (ASCII, so it is also code page 850)
    std::string_view meaning;

    // "QSystem.PLA".
    std::string qualifiedName() const;
    wire::VarAddress address() const;
    wire::Value defaultValue() const;
    bool existsOn(bool kvxrealC) const;
    // The kinds a request may use to reach this variable: the typed accesses send 1 for
    // every segment-addressed variable, so kinds 1 and 2 reach each other's variables.
    bool reachableWithKind(uint8_t sentKind) const;
};

}  // namespace sysvars
