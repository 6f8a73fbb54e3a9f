#pragma once
// Every system variable the program names or addresses by number, in one table that the naming
// library resolves names from and the simulator builds its controllers from.
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/sysvars/Variable.h"

namespace sysvars {

// The whole table, in file and index order.
std::span<const Variable> table();

// "QSystem.PLA", letter case ignored ("Qservices.BACnetCommitSettings" finds its variable);
// nullptr when unknown.
const Variable* findByName(std::string_view qualifiedName);
const Variable* findByName(std::string_view fileName, std::string_view name);
// nullptr when no variable sits at that file and index.
const Variable* findByNumber(uint16_t file, int32_t index);

// The network password, the web login passwords and the e-mail login password: they travel
// only on a sealed link and are never kept in a file of ours.
bool isSecret(const Variable& variable);

}  // namespace sysvars
