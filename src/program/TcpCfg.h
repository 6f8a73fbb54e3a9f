#pragma once
// The TCP/IP settings record of the current controller. Texts are empty when not set. Each
// setting beyond what discovery reports carries a "known" mark: true only when it was read from
// this controller or typed in the settings dialog. Only known values are ever written or put: a
// start value, another controller's or one read before the controller changed it would
// overwrite what the controller has (a controller keeps its network password as a verifier that
// cannot be read back, an empty web password disables that login, a web server port 0 is none).
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
    bool MainComputerAddrKnown = false;
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
    bool EmailServerAddressKnown = false;
    bool EmailLoginNameKnown = false;
    bool EmailLoginPassKnown = false;
    bool EmailSenderAddressKnown = false;
    bool HttpEnableKnown = false;
    bool HttpPortKnown = false;
    bool HttpActiveSitePartitionKnown = false;
    bool HttpActiveSubSiteKnown = false;
    bool BACnetDeviceNameKnown = false;
    bool BACnetDeviceIDKnown = false;
    bool BACnetIpUDPportKnown = false;
    bool BACnetIpEnableKnown = false;
};

}  // namespace network
