#pragma once
// The TCP/IP settings record of the current controller. Texts are empty when not set. Each
// password carries a "known" mark: true only when it was read from the controller or typed in
// the settings dialog. Only known passwords are ever written or put: a controller keeps its
// network password as a verifier that cannot be read back, and an empty web password disables
// that login, so writing what was never known would wipe or open the controller's logins.
#include <cstdint>
#include <string>

namespace network {

struct TcpCfg {
    bool DHCP = true;
    std::string IP;
    std::string Subnet;
    std::string Gateway;
    std::string DNSServer;
    std::string DNSServer2;
    std::string FullDNS;
    std::string MainComputerAddr;
    bool EncryptedCom = false;
    std::string EncryptedPass;
    std::string WebGuestPass;
    std::string WebOperatorPass;
    std::string WebServicePass;
    std::string WebAdminPass;
    bool EncryptedPassKnown = false;
    bool WebGuestPassKnown = false;
    bool WebOperatorPassKnown = false;
    bool WebServicePassKnown = false;
    bool WebAdminPassKnown = false;
    std::string EmailServerAddress;
    std::string EmailLoginName;
    std::string EmailLoginPass;
    std::string EmailSenderAddress;
    int16_t HttpEnable = 0;
    int32_t HttpPort = 0;
    int16_t HttpActiveSitePartition = 0;
    int16_t HttpActiveSubSite = 0;
    std::string BACnetDeviceName;
    int32_t BACnetDeviceID = 0;
    int32_t BACnetIpUDPport = 0;
    bool BACnetIpEnable = false;
};

}  // namespace network
