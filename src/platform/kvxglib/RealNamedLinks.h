#pragma once
// Links by name on the real library, at the serial rate of Kvxmatic.Ini.
#include "platform/kvxglib/NamedLinks.h"
#include "platform/kvxglib/TcpLinks.h"

namespace kvxglib {

class RealNamedLinks final : public NamedLinks {
  public:
    explicit RealNamedLinks(RealLibrary& library) : library_(library) {}
    int32_t open(const std::string& name, std::string& why) override {
        return openNamedLink(library_, name, 0, &why);
    }
    void close(int32_t handle) override {
        if (handle != 0) closeLink(library_, handle);
    }

  private:
    RealLibrary& library_;
};

}  // namespace kvxglib
