#include "platform/comm/SerialPort.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/comm/SerialLock.h"

namespace comm {
namespace {

std::optional<speed_t> speedFor(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return std::nullopt;
    }
}

}  // namespace

bool isSupportedBaud(uint32_t baud) { return speedFor(baud).has_value(); }

int openSerialPort(const std::string& path, uint32_t baud, std::string& why) {
    const auto speed = speedFor(baud);
    if (!speed) {
        why = "unsupported baud rate " + std::to_string(baud);
        return -1;
    }
    if (path.empty()) {
        why = "no serial port configured";
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot open " + path + ": " + std::strerror(errno);
        return -1;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        why = path + " is not a serial port: " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    // Two users on one line would take each other's replies.
    if (!lockSerialDevice(fd, path, why)) {
        ::close(fd);
        return -1;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // VMIN 0 would make an empty read return 0 (end of file) instead of "try again".
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, *speed);
    ::cfsetospeed(&tio, *speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        why = "cannot set up " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

}  // namespace comm
