#pragma once
// A TCP/IP Port OS upgrade file ("<port type>.TcpIpPortOS"): an image file of the port
// operating system kind whose model field names the port type, the number a controller's port
// reports as its upgrade file number (docs/image-format.md). `IsValid` holds only when every
// part of the file checked out; `why` then tells what was wrong.
#include <cstdint>
#include <span>
#include <string>

#include "platform/image/ImageFile.h"

namespace components {

class PortOsImage {
  public:
    // `ok` false when there is no file to read at `path` (missing, a folder).
    void Load(const std::string& path, bool& ok);
    bool IsValid() const { return valid_; }
    // The revision the file holds, as people read it (UTF-8); empty unless valid.
    std::string Revision() const;

    // The port type it is built for; 0 unless valid.
    uint16_t PortType() const { return valid_ ? image_.model : 0; }
    // The revision as it travels and as the port reports it (code page 850).
    const std::string& revisionBytes() const { return image_.versionText; }
    std::span<const uint8_t> payload() const { return image_.payload; }
    uint32_t payloadChecksum() const { return image_.payloadChecksum(); }
    const std::string& why() const { return why_; }
    // The file as read, and where from: its signature is checked before it is sent.
    const image::Image& image() const { return image_; }
    const std::string& path() const { return path_; }

  private:
    void check(image::Parsed parsed, const std::string& path);

    image::Image image_;
    std::string path_;
    bool valid_ = false;
    std::string why_ = "no upgrade file was loaded";
};

}  // namespace components
