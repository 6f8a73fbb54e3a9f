#pragma once
// The controllers known to use a network password, by serial number, one a line in the
// machine folder's "ProtectedControllers.txt". Never the password: only that one is needed.
// Discovery replies can be forged by anyone on the network; this memory is what keeps a
// forged "no password here" from turning the link plain.
#include <string>

namespace components {

class ProtectedControllers {
  public:
    explicit ProtectedControllers(std::string machineDir);

    // Read afresh each time: another program of the machine may have added one.
    bool has(const std::string& serial) const;
    // Kept at once (the file replaced atomically); false when it could not be written.
    bool remember(const std::string& serial);

  private:
    std::string path_;
};

}  // namespace components
