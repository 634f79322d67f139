// Reads the flood statistics; the record is the kernel's and passes through, except for the count of
// syncache hash entries, which bounds what follows it.
#pragma once

#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetFloodStat : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetFloodStat)

public:
    static constexpr unsigned int kBodySize = KESTFW_FLOOD_STAT_SIZE;
    static constexpr unsigned int kOffSyncacheCount = KESTFW_FLOOD_SYNCACHE_COUNT_OFFSET;
    static constexpr unsigned int kMaxSyncache = KESTFW_FLOOD_SYNCACHE_MAX;

    // Copies the 12,456 bytes; a null record sends zeros.
    CKestFWCmdGetFloodStat(dvs_port_* port, const FWFloodStat_t* stat);
    ~CKestFWCmdGetFloodStat() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "unimplemented".
    std::string toString() const override { return "unimplemented"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    // Copies a whole reply record into `out`; a short reply raises CInsufficientMsgBufException and a
    // syncache count above 512 CIntegerOverflowException "too many syncache hash stats".
    static void copyReply(const void* body, unsigned int size, FWFloodStat_t* out);

private:
    std::vector<uint8_t> m_stat;
};

}  // namespace KestFirewall
