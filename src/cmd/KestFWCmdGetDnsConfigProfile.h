// Reads the kernel's DNS caching profile and prints its time-to-live.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetDnsConfigProfile : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetDnsConfigProfile)

public:
    static constexpr unsigned int kBodySize = 13;

    explicit CKestFWCmdGetDnsConfigProfile(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetDnsConfigProfile() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    std::string toString() const override { return "get dnsprofile"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;

    uint8_t getMode() const { return m_mode; }
    unsigned int getTTL() const { return m_ttl; }

private:
    uint8_t m_mode = 0;
    unsigned int m_ttl = 0;
};

}  // namespace KestFirewall
