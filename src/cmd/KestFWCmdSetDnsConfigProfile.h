// How the kernel caches DNS answers: the time-to-live it gives them (infinite, taken from the answer,
// or a fixed number of seconds) and the DNS servers whose answers it trusts.
#pragma once

#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_address.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetDnsConfigProfile : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetDnsConfigProfile)

public:
    static constexpr unsigned int kHeadSize = 13;
    static constexpr unsigned int kOffMode = 4;
    static constexpr unsigned int kOffTTL = 5;
    static constexpr unsigned int kOffCount = 9;
    static constexpr uint8_t kModeInfinite = 1;
    static constexpr uint8_t kModeAuto = 2;

    explicit CKestFWCmdSetDnsConfigProfile(dvs_port_* port) : CKestFWCmd(port) {}
    CKestFWCmdSetDnsConfigProfile(dvs_port_* port, uint8_t mode, unsigned int ttl)
        : CKestFWCmd(port), m_mode(mode), m_ttl(ttl) {}
    ~CKestFWCmdSetDnsConfigProfile() override = default;

    unsigned int getMsgSize() const override;
    // "set dnsprofile ttl auto", "... ttl infinite", "... ttl 30 address { address 10.0.0.53 }".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    void setTTLAuto() { m_mode = kModeAuto, m_ttl = 0; }
    void setTTLInfinite() { m_mode = kModeInfinite, m_ttl = 0; }
    void setTTL(unsigned int seconds) { m_mode = 0, m_ttl = seconds; }
    void addAddress(const FWAddress_& address) { m_addresses.push_back(address); }

    uint8_t getMode() const { return m_mode; }
    unsigned int getTTL() const { return m_ttl; }

private:
    uint8_t m_mode = kModeAuto;
    unsigned int m_ttl = 0;
    std::vector<FWAddress_> m_addresses;
};

}  // namespace KestFirewall
