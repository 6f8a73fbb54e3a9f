#pragma once
// The names of controller models (module types) by decimal code: one table for every list that
// shows a model name.
#include <string>

namespace kvxglib {

// The name for the code; the code itself when the table does not know it.
std::string modelNameFor(const std::string& decimalCode);

}  // namespace kvxglib
