#pragma once
// Link 0 of the real library.
#include "platform/kvxglib/LinkZero.h"
#include "platform/kvxglib/TcpLinks.h"

namespace kvxglib {

class RealLinkZero final : public LinkZero {
  public:
    explicit RealLinkZero(RealLibrary& library) : library_(library) {}
    bool open(std::string& why) override { return openLinkZero(library_, why); }

  private:
    RealLibrary& library_;
};

}  // namespace kvxglib
