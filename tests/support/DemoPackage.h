#pragma once
// The demo's settings package "KVX300C Standard" as the tests change it.
#include <utility>

namespace testsupport {

// Every variable of the package and a value unlike its start value in kvxsim.
inline constexpr std::pair<const char*, const char*> kDemoPackageChanges[] = {
    {"QSystem.ControllerName", "Changed"},
    {"QSystem.ControllerDescription", "Changed too"},
    {"QServices.HttpEnable", "0"},
    {"QServices.HttpPort", "8081"},
    {"QServices.BACnetDeviceID", "77"},
    {"QServices.BACnetDeviceName", "Device"},
    {"QServices.BACnetIpEnable", "-1"},
    {"QServices.BACnetIpUDPport", "47809"},
    {"QServices.EmailServerAddress", "mail.example"},
    {"QServices.EmailSenderAddress", "x@example"},
    {"QCom.MainComputerAddr", "10.0.0.9"},
};

}  // namespace testsupport
