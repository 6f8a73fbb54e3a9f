#include "support/MockLibraries.h"

namespace testsupport {

MockGlib::MockGlib() = default;
MockGlib::~MockGlib() = default;
MockNam::MockNam() = default;
MockNam::~MockNam() = default;

}  // namespace testsupport
