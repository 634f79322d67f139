#include "cmd/KestFWCmdGetConnectionStat.h"

#include <arpa/inet.h>
#include <time.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

namespace {

// Where the flow report reads a flow record.
constexpr unsigned kOffFlowId = 3;
constexpr unsigned kOffTime = 79;
constexpr unsigned kOffProto = 97;
constexpr unsigned kOffFamily = 98;
constexpr unsigned kOffEthertype = 99;
constexpr unsigned kOffCounterA = 113;
constexpr unsigned kOffSrc = 188;
constexpr unsigned kOffDst4 = 192;
constexpr unsigned kOffAlg4 = 200;
constexpr unsigned kOffDst6 = 204;
constexpr unsigned kOffSport = 216;
constexpr unsigned kOffDport = 218;
constexpr unsigned kOffAlg6 = 252;

uint64_t be64(ByteReader& r) {
    uint64_t hi = r.be32();
    return hi << 32 | r.be32();
}

const char* algKind(uint8_t kind) {
    static const char* const kWords[] = {"??", "FTP", "ORACLE", "SUNRPC", "DCERPC", "TFTP"};
    return kind < sizeof kWords / sizeof kWords[0] ? kWords[kind] : "??";
}

const char* algRole(uint8_t role) {
    static const char* const kWords[] = {"??", "ctrl", "data"};
    return role < sizeof kWords / sizeof kWords[0] ? kWords[role] : "??";
}

// The application-level gateway text of a TCP flow from its 12 ALG bytes at `off`.
void algText(const uint8_t* rec, unsigned off, char (&out)[40]) {
    ByteReader r(rec + off, 12);
    uint64_t related = be64(r);
    uint8_t kind = r.u8();
    uint8_t role = r.u8();
    unsigned port = r.be16();
    out[0] = '\0';
    if (role == 1)
        snprintf(out, sizeof out, " alg %s(%s) %d", algRole(role), algKind(kind), int(port));
    else if (role == 2)
        snprintf(out, sizeof out, " alg %s(%s) %d %llx", algRole(role), algKind(kind), int(port),
                 static_cast<unsigned long long>(related));
}

// One line of the flow report for record `index` (294 bytes at `rec`).
void printFlow(const CKestFWReport& report, const uint8_t* rec, unsigned index) {
    ByteReader r(rec, FW_CONNECTION_STAT_SIZE);
    r.seek(kOffFlowId);
    const unsigned long long flowId = be64(r);
    const time_t when = time_t(r.getAt<uint32_t>(kOffTime));
    const unsigned proto = r.getAt<uint8_t>(kOffProto);
    const unsigned family = r.getAt<uint8_t>(kOffFamily);
    r.seek(kOffEthertype);
    const unsigned ethertype = r.be16();
    r.seek(kOffCounterA);
    const unsigned long long a = r.u64(), b = r.u64(), c = r.u64(), d = r.u64();
    r.seek(kOffSport);
    const int sport = r.be16();
    const int dport = r.be16();

    struct tm tm;
    memset(&tm, 0, sizeof tm);
    localtime_r(&when, &tm);

    char src[46] = "", dst[46] = "", alg[40] = "";
    if (family == 2) {
        inet_ntop(AF_INET, rec + kOffSrc, src, sizeof src);
        inet_ntop(AF_INET, rec + kOffDst4, dst, sizeof dst);
        if (proto == 6) algText(rec, kOffAlg4, alg);
    } else if (family == 10 || family == 28) {
        inet_ntop(AF_INET6, rec + kOffSrc, src, sizeof src);
        inet_ntop(AF_INET6, rec + kOffDst6, dst, sizeof dst);
        if (proto == 6) algText(rec, kOffAlg6, alg);
    } else {
        // The line is still printed, with empty addresses and no gateway text.
        KFW_WARN("unknown address family for %u flow record: %d\n", index, int(family));
    }

    const int year = tm.tm_year + 1900, month = tm.tm_mon + 1;
    switch (proto) {
        case 6:
            report.line(
                "%04d-%02d-%02dT%02d:%02d:%02dZ 0x%016qx af %-2u ethertype 0x%04x proto tcp   %s:%d -> %s:%d %s "
                "%qx %qx %qx %qx\n",
                year, month, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, flowId, family, ethertype, src, sport, dst,
                dport, alg, c, d, a, b);
            break;
        case 17:
            report.line(
                "%04d-%02d-%02dT%02d:%02d:%02dZ 0x%016qx af %-2u ethertype 0x%04x proto udp   %s:%d -> %s:%d %s "
                "%qx %qx %qx %qx\n",
                year, month, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, flowId, family, ethertype, src, sport, dst,
                dport, alg, c, d, a, b);
            break;
        case 1:
            report.line(
                "%04d-%02d-%02dT%02d:%02d:%02dZ 0x%016qx af %-2u ethertype 0x%04x proto icmp  %s -> %s %qx %qx "
                "%qx %qx\n",
                year, month, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, flowId, family, ethertype, src, dst, c, d, a,
                b);
            break;
        case 58:
            report.line(
                "%04d-%02d-%02dT%02d:%02d:%02dZ 0x%016qx af %-2u ethertype 0x%04x proto icmp6 %s -> %s %qx %qx "
                "%qx %qx\n",
                year, month, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, flowId, family, ethertype, src, dst, c, d, a,
                b);
            break;
        default:
            report.line(
                "%04d-%02d-%02dT%02d:%02d:%02dZ 0x%016qx af %-2u ethertype 0x%04x proto %-5d %s -> %s %qx %qx "
                "%qx %qx\n",
                year, month, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, flowId, family, ethertype, int(proto), src,
                dst, c, d, a, b);
            break;
    }
}

}  // namespace

CKestFWCmdGetConnectionStat::CKestFWCmdGetConnectionStat(dvs_port_* port, FWConnFilter_*, unsigned int count,
                                                         uint64_t start)
    : CKestFWCmd(port), m_count(count), m_start(start) {
    if (uint64_t(count) * kRecordSize > 0xFFFFFFFFu || uint64_t(count) * kRecordSize + kHeadSize > 0xFFFFFFFFu)
        throw CIntegerOverflowException("number of connections", count);
    KFW_DEBUG(KFW_COMP_CMD, 1, "Get connection starting from 0x%016" PRIx64 "\n", start);
}

std::string CKestFWCmdGetConnectionStat::toString() const {
    std::string s = "describe connection stat " + dvsportToString("of");
    if (m_start != 0) s += kestfwFormat(" from 0x%016" PRIx64, m_start);
    return s;
}

bool CKestFWCmdGetConnectionStat::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                               unsigned int) {
    const unsigned int size = getMsgSize();
    if (!zeroBody(body, avail, size, written)) return false;
    KFW_DEBUG(KFW_COMP_CMD, 1, "Fetching connection from 0x%016" PRIx64 "\n", m_start);
    ByteWriter w(writable(body), size);
    w.u8(1);
    w.seek(kOffStart);
    w.be32(uint32_t(m_start >> 32));
    w.be32(uint32_t(m_start));
    w.putAt<uint32_t>(kOffCount, m_count);
    w.putAt<uint32_t>(kOffBodySize, size);
    return w.ok();
}

unsigned int CKestFWCmdGetConnectionStat::recordsHeld(const void* body, unsigned int size, unsigned int* claimed) {
    ByteReader r(body, size);
    const uint32_t n = r.getAt<uint32_t>(kOffReturned);
    if (claimed != nullptr) *claimed = r.ok() ? n : 0;
    if (!r.ok() || size < kHeadSize) return 0;
    const unsigned int room = (size - kHeadSize) / kRecordSize;
    return n < room ? n : room;
}

void CKestFWCmdGetConnectionStat::checkCmdReply(const void* body, unsigned int size) {
    if (g_kestfw_pretty_printing == nullptr) return;
    unsigned int claimed = 0;
    const unsigned int held = recordsHeld(body, size, &claimed);
    CKestFWReport report;
    KFW_DEBUG(KFW_COMP_CMD, 1, "connection count : %u\n\n", claimed);
    if (held < claimed) KFW_WARN("reply claims %u flow records but holds %u\n", claimed, held);
    const uint8_t* records = static_cast<const uint8_t*>(body) + kHeadSize;
    for (unsigned int i = 0; i < held; ++i) printFlow(report, records + size_t(i) * kRecordSize, i);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetConnectionStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                FWConnFilter_* filter, uint64_t start, FWConnectionStat_* out, unsigned int* returned) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && out != nullptr && returned != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetConnectionStat cmd(port, filter, count, start);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            unsigned int claimed = 0;
            const unsigned int held =
                CKestFWCmdGetConnectionStat::recordsHeld(reply.view(reply.size()), unsigned(reply.size()), &claimed);
            if (claimed > count || held < claimed)
                throw CIntegerOverflowException("invalid number of connections to retrieve", claimed);
            reply.seek(CKestFWCmdGetConnectionStat::kHeadSize);
            for (unsigned int i = 0; i < held; ++i) reply.bytes(out[i].bytes, FW_CONNECTION_STAT_SIZE);
            *returned = held;
        });
    });
}

FWStatus_t FW_PrintConnectionStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                  uint64_t start) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetConnectionStat cmd(port, nullptr, count, start);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
