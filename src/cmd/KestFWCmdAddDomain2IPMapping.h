// Tells the kernel which addresses a domain name resolved to, each with the time-to-live of its DNS
// answer. The domain's addresses replace those it had.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdAddDomain2IPMapping : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdAddDomain2IPMapping)

public:
    static constexpr unsigned int kOffCount = 0;
    static constexpr unsigned int kOffRest = 4;
    static constexpr unsigned int kOffDomainLen = 8;
    static constexpr unsigned int kOffDomain = 10;
    static constexpr unsigned int kPerAddress = 4 + 144;
    // The domain's length travels in 16 bits with its NUL.
    static constexpr size_t kDomainMax = 0xFFFE;

    // A domain longer than 65534 characters is refused (32); the domain ends at its first NUL.
    CKestFWCmdAddDomain2IPMapping(dvs_port_* port, const std::string& domain);
    ~CKestFWCmdAddDomain2IPMapping() override = default;

    unsigned int getMsgSize() const override;
    // "add domain2ip mapping a.com {1.2.3.4 [ttl: 60, type: 1], ...}" or "... {no ips}".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    void addAddress(std::unique_ptr<CKestFWAddress> address, unsigned int ttl);

    const std::string& getDomain() const { return m_domain; }
    size_t getCount() const { return m_addresses.size(); }

    const std::vector<std::pair<std::unique_ptr<CKestFWAddress>, unsigned int>>& getAddresses() const { return m_addresses; }
private:
    std::string m_domain;
    std::vector<std::pair<std::unique_ptr<CKestFWAddress>, unsigned int>> m_addresses;
};

}  // namespace KestFirewall
