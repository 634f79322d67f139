// Fetches the kernel-interface statistics of a filter (packet and byte counters per action and family,
// drop counters per reason, descriptive values) and prints them as the kernel-interface report.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

namespace KifStat {
constexpr unsigned int kSize = KESTFW_KIFSTAT_SIZE;
constexpr unsigned int kActions = KESTFW_KIFSTAT_ACTIONS;
constexpr unsigned int kReasons = KESTFW_KIFSTAT_REASONS;
constexpr unsigned int kOffPackets = 0;
constexpr unsigned int kOffBytes = 800;
constexpr unsigned int kFamilyStride = 400;  // 25 incoming, then 25 outgoing counters
constexpr unsigned int kOffL2 = 1600;        // packets in, packets out, bytes in, bytes out
constexpr unsigned int kOffReasons = 1632;
constexpr unsigned int kOffSessions = 1968;
constexpr unsigned int kOffFlags = 1976;
constexpr unsigned int kOffStates = 1980;
constexpr unsigned int kOffRules = 1984;
constexpr unsigned int kOffTables = 1988;
constexpr unsigned int kOffVersion = 1992;
constexpr unsigned int kOffGeneration = 1996;
constexpr unsigned int kOffHash = 2000;
constexpr unsigned int kOffLastPurge = 2014;
constexpr unsigned int kOffFprnErrors = 2022;
constexpr unsigned int kOffMac = 2026;
// Offset of the counter of `action` for family 0 (v4) or 1 (v6), direction 0 (in) or 1 (out).
constexpr unsigned int counter(unsigned int base, unsigned int family, unsigned int out, unsigned int action) {
    return base + family * kFamilyStride + (out * kActions + action) * 8;
}
}  // namespace KifStat

class KESTFW_API CKestFWCmdGetKifStat : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetKifStat)

public:
    static constexpr unsigned int kBodySize = KifStat::kSize;

    explicit CKestFWCmdGetKifStat(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetKifStat() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe stat of kif".
    std::string toString() const override { return "describe stat of kif"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints the packet and byte tables, the drop reasons and the filter information; a reply shorter
    // than the record prints nothing.
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
