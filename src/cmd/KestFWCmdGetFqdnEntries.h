// Asks the kernel how many domains and VM UUIDs its FQDN filtering state holds for one address.
#pragma once

#include <netinet/in.h>

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetFqdnEntries : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetFqdnEntries)

public:
    static constexpr unsigned int kBodySize = 179;
    static constexpr unsigned int kOffFamily = 0;  // the address record's type code: 1 IPv4, 2 IPv6
    static constexpr unsigned int kOffAddress = 4;
    static constexpr unsigned int kOffNumber = 144;
    static constexpr unsigned int kOffDomainCount = 171;
    static constexpr unsigned int kOffUuidCount = 175;

    CKestFWCmdGetFqdnEntries(dvs_port_* port, const in_addr& address, unsigned int number);
    CKestFWCmdGetFqdnEntries(dvs_port_* port, const in6_addr& address, unsigned int number);
    ~CKestFWCmdGetFqdnEntries() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    std::string toString() const override { return "describe dst filtering"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Keeps and prints "domain count : %u, uuid count : %u".
    void checkCmdReply(const void* body, unsigned int size) override;

    uint32_t getDomainCount() const { return m_domains; }
    uint32_t getUuidCount() const { return m_uuids; }

private:
    uint16_t m_family;
    uint8_t m_address[16] = {};
    unsigned int m_number;
    uint32_t m_domains = 0;
    uint32_t m_uuids = 0;
};

}  // namespace KestFirewall
