// Asks the kernel for the domains and VM UUIDs its FQDN filtering state holds for one address; the
// entries come back unchanged to the caller.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_address.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetUuid : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetUuid)

public:
    static constexpr unsigned int kHeadSize = 413;
    static constexpr unsigned int kOffFirst = 144;
    static constexpr unsigned int kOffSecond = 401;
    static constexpr unsigned int kOffCount = 405;
    static constexpr unsigned int kEntrySize = 1090;

    // `count` entries are reserved after the head.
    CKestFWCmdGetUuid(dvs_port_* port, const FWAddress_& address, uint32_t first, uint32_t second, uint32_t count);
    ~CKestFWCmdGetUuid() override = default;

    unsigned int getMsgSize() const override { return m_size; }
    std::string toString() const override { return "describe list of dst filtering domains"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "uuid : EMPTY" whatever the kernel answered.
    void checkCmdReply(const void* body, unsigned int size) override;

    uint32_t getCount() const { return m_count; }

private:
    FWAddress_ m_address;
    uint32_t m_first;
    uint32_t m_second;
    uint32_t m_count;
    unsigned int m_size;
};

}  // namespace KestFirewall
