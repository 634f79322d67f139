#include "cmd/KestFWCmdGetKifStat.h"

#include <utility>
#include <vector>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

const char* const g_kestfw_kifstat_action_names[KESTFW_KIFSTAT_ACTIONS] = {
    "pass:",   "drop:",   "scrub:",       "noscrub:",    "snat:",        "nosnat:",     "binat:",
    "nobinat:", "dnat:",  "nodnat:",      "synproxy_drop:", "punt:",     "redirect:",   "copy:",
    "reject:", "ackonsyn:", "encrypt:",   "clear:",      "pbr:",         "lb:",         "idp_detect:",
    "idp_protect:", "goto_filter:", "icmp_err_resp:", "unknown:"};

const char* const g_kestfw_kifstat_reason_names[KESTFW_KIFSTAT_REASONS] = {
    "match:",
    "bad-offset:",
    "fragment:",
    "short:",
    "normalize:",
    "memory:",
    "bad-timestamp:",
    "congestion:",
    "ip-option:",
    "proto-cksum:",
    "state-mismatch:",
    "state-insert:",
    "state-limit:",
    "src-limit:",
    "synproxy:",
    "spoofguard:",
    "icmp errpkt drop:",
    "pkts-frag-queued-v4:",
    "pkts-frag-queued-v6:",
    "L7 pending:",
    "L7 alert:",
    "alg handler error:",
    "strict no syn:",
    "3wh error:",
    "icmp error:",
    "seqno outside window:",
    "seqno old retrans:",
    "seqno old ack:",
    "seqno bad ack:",
    "seqno gt maxack:",
    "seqno lt minack:",
    "UDP flood overlimit:",
    "ICMP flood overlimit:",
    "TCP flood overlimit:",
    "OTHER flood overlimit:",
    "SYN Expected:",
    "LB Reject:",
    "L7 attr error:",
    "Ignored offloaded FP:",
    "Ignored offloaded SP:",
    "match drop rule rx packets:",
    "match drop rule tx packets:"};

namespace KestFirewall {

namespace {

constexpr unsigned int kReasonStateMismatch = 10;

// TCP sequence troubles read best under the state mismatch they explain.
bool joinsStateGroup(unsigned int reason) { return reason == 23 || (reason >= 25 && reason <= 30); }
bool isMiscellaneous(unsigned int reason) { return reason == 13 || reason == 17 || reason == 18 || reason == 19; }

using Counter = unsigned long long;

void printTable(const CKestFWReport& report, ByteReader& r, unsigned int base) {
    static const char* const kFamily[2] = {"v4", "v6"};
    for (unsigned int fam = 0; fam < 2; ++fam) {
        for (unsigned int a = 0; a < KifStat::kActions; ++a) {
            // Rows are chosen on the packet counters, so both tables show the same rows.
            Counter pin = r.getAt<uint64_t>(KifStat::counter(KifStat::kOffPackets, fam, 0, a));
            Counter pout = r.getAt<uint64_t>(KifStat::counter(KifStat::kOffPackets, fam, 1, a));
            if (a > 1 && pin == 0 && pout == 0) continue;
            Counter in = r.getAt<uint64_t>(KifStat::counter(base, fam, 0, a));
            Counter out = r.getAt<uint64_t>(KifStat::counter(base, fam, 1, a));
            report.line("%s %-15s %16llu   %16llu\n", kFamily[fam], g_kestfw_kifstat_action_names[a], in, out);
        }
        report.line("\n");
    }
}

void printReasons(const CKestFWReport& report, ByteReader& r) {
    Counter reasons[KifStat::kReasons];
    bool any = false;
    for (unsigned int i = 0; i < KifStat::kReasons; ++i) {
        reasons[i] = r.getAt<uint64_t>(KifStat::kOffReasons + i * 8);
        if (i != 0 && reasons[i] != 0) any = true;
    }
    if (!any) return;
    report.line("DROP REASON\n-----------\n");
    std::vector<unsigned int> group, misc;
    for (unsigned int i = 1; i < KifStat::kReasons; ++i) {
        if (reasons[i] == 0) continue;
        if (i == kReasonStateMismatch || (!group.empty() && joinsStateGroup(i))) group.push_back(i);
        else if (isMiscellaneous(i)) misc.push_back(i);
        else report.line("%-21s %llu\n", g_kestfw_kifstat_reason_names[i], reasons[i]);
    }
    for (size_t k = 0; k < group.size(); ++k)
        report.line(k == 0 ? "%-21s %llu\n" : "  %-21s %llu\n", g_kestfw_kifstat_reason_names[group[k]],
                    reasons[group[k]]);
    report.line("\n");
    if (misc.empty()) return;
    report.line("MISCELLANEOUS\n-------------\n");
    for (unsigned int i : misc) report.line("%-21s %llu\n", g_kestfw_kifstat_reason_names[i], reasons[i]);
    report.line("\n");
}

}  // namespace

bool CKestFWCmdGetKifStat::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

void CKestFWCmdGetKifStat::checkCmdReply(const void* body, unsigned int size) {
    if (body == nullptr || size < kBodySize) return;
    ByteReader r(body, size);
    CKestFWReport report;
    report.line("PACKETS                       IN                OUT\n");
    report.line("-------                       --                ---\n");
    printTable(report, r, KifStat::kOffPackets);
    Counter l2pin = r.getAt<uint64_t>(KifStat::kOffL2), l2pout = r.getAt<uint64_t>(KifStat::kOffL2 + 8);
    report.line("%-18s %16llu   %16llu\n", "L2 drop:", l2pin, l2pout);
    report.line("\n");
    report.line("BYTES                         IN                OUT\n");
    report.line("-----                         --                ---\n");
    printTable(report, r, KifStat::kOffBytes);
    Counter l2bin = r.getAt<uint64_t>(KifStat::kOffL2 + 16), l2bout = r.getAt<uint64_t>(KifStat::kOffL2 + 24);
    report.line("%-18s %16llu   %16llu\n", "L2 drop:", l2bin, l2bout);
    report.line("\n");
    printReasons(report, r);

    report.line("FILTER INFO\n-----------\n");
    uint8_t mac[6];
    r.seek(KifStat::kOffMac);
    r.bytes(mac, sizeof mac);
    report.line("%-15s %02x:%02x:%02x:%02x:%02x:%02x\n", "mac:", unsigned(mac[0]), unsigned(mac[1]), unsigned(mac[2]),
                unsigned(mac[3]), unsigned(mac[4]), unsigned(mac[5]));
    report.line("%-15s %llu\n", "sessions:", Counter(r.getAt<uint64_t>(KifStat::kOffSessions)));
    report.line("%-15s 0x%x\n", "flags:", r.getAt<uint32_t>(KifStat::kOffFlags));
    report.line("%-15s %u\n", "states:", r.getAt<uint32_t>(KifStat::kOffStates));
    report.line("%-15s %u\n", "rules:", r.getAt<uint32_t>(KifStat::kOffRules));
    report.line("%-15s %u\n", "table count:", r.getAt<uint32_t>(KifStat::kOffTables));
    report.line("%-15s %u\n", "filter version:", r.getAt<uint32_t>(KifStat::kOffVersion));
    report.line("%-15s %u\n", "ruleset gen:", r.getAt<uint32_t>(KifStat::kOffGeneration));
    report.line("%-15s %u\n", "hash:", unsigned(r.getAt<uint16_t>(KifStat::kOffHash)));
    report.line("%-15s %ld\n", "last purge:", long(r.getAt<int64_t>(KifStat::kOffLastPurge)));
    report.line("%-15s %u\n", "fprn alloc err:", r.getAt<uint32_t>(KifStat::kOffFprnErrors));
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetKifStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint32_t* stats) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(stats != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetKifStat cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t words[KESTFW_KIFSTAT_WORDS];
            for (uint32_t& w : words) w = reply.u32();
            if (!reply.ok()) throw CInsufficientMsgBufException(KifStat::kSize, static_cast<unsigned>(reply.size()));
            for (unsigned int i = 0; i < KESTFW_KIFSTAT_WORDS; ++i) stats[i] = words[i];
        });
    });
}
