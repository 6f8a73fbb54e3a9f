#pragma once
// Link 0, the serial port that Kvxmatic.Ini names, opened on request so that a program can
// tell the user why it cannot be used (no such device, not a serial port, held by another
// program) instead of a bare "no answer".
#include <string>

namespace kvxglib {

class LinkZero {
  public:
    virtual ~LinkZero() = default;
    // False with `why` naming the device and the setting it came from.
    virtual bool open(std::string& why) = 0;
};

}  // namespace kvxglib
