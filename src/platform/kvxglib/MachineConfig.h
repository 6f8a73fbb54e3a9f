#pragma once
// The machine folder and the installed folders that its "Kvxmatic.Ini" names. The file is
// consulted on each question (it may change while the program runs) but parsed only when it
// has changed.
#include <string>

#include "platform/kvxglib/SectionedFile.h"
#include "platform/kvxglib/StampedCache.h"

namespace kvxglib {

// $KRELVAN_MACHINE_DIR, else ~/.config/krelvan.
std::string machineDirFromEnvironment();

class MachineConfig {
  public:
    explicit MachineConfig(std::string machineDir);

    const std::string& machineDir() const { return machineDir_; }
    // Key ProductDir of section Kvxmatic; a relative value is taken relative to the machine
    // folder. Without the key, the program's own default "\kvx" (the folder /kvx).
    std::string productDir();
    // Key SLibDir of the same section (relative to the machine folder), else "SLib" in the
    // product folder.
    std::string slibDir();
    // The public key the product's images are signed with, installed with the product.
    std::string imageKeyFile();
    // The native path of Kvxmatic.Ini in the machine folder.
    std::string settingsFile() const;

    // A parsed sectioned file by native path, shared with the settings reads.
    std::shared_ptr<const SectionedFile> sectioned(const std::string& nativePath) {
        return files_.get(nativePath);
    }

  private:
    std::string setting(const std::string& key);
    std::string folderFromValue(const std::string& value) const;

    std::string machineDir_;
    StampedCache<SectionedFile> files_;
};

}  // namespace kvxglib
