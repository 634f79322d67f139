#include "cmd/KestFWCmdGetLBStat.h"

#include <netdb.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

namespace {

using namespace LBLayout;

const char* const kCounterNames[] = {"rx packets",
                                     "rx bytes",
                                     "rx SYN retrans",
                                     "rx FIN retrans",
                                     "rx other retrans",
                                     "rx port reused",
                                     "rx RST",
                                     "rx zero window",
                                     "rx ICMP error",
                                     "tx packets",
                                     "tx bytes",
                                     "tx SYN retrans",
                                     "tx FIN retrans",
                                     "tx other retrans",
                                     "tx port reused",
                                     "tx RST",
                                     "tx zero window",
                                     "tx ICMP error",
                                     "current L4 session",
                                     "total L4 session",
                                     "new flow - vs matched",
                                     "new flow - server selected",
                                     "new flow accepted",
                                     "src ip persistence entry added",
                                     "L4 flow rejected - lbs invalid",
                                     "L4 flow rejected - vs has no pool",
                                     "L4 flow rejected - vs has empty pool",
                                     "L4 flow rejected - pm select error"};
constexpr unsigned int kCounterCount = sizeof kCounterNames / sizeof kCounterNames[0];

StatCounts countsAt(ByteReader& r, size_t off) {
    StatCounts c;
    r.seek(off);
    c.vs = r.u32();
    c.pools = r.u32();
    c.members = r.u32();
    return c;
}

std::string protocolName(unsigned int number) {
    struct protoent pe;
    struct protoent* found = nullptr;
    char buf[1024];
    if (getprotobynumber_r(static_cast<int>(number), &pe, buf, sizeof buf, &found) == 0 && found != nullptr)
        return found->p_name;
    return "unknown";
}

// One array of items of `recordSize` bytes; the counters run as far as the record goes.
void printItems(const CKestFWReport& report, ByteReader& r, size_t& off, const char* name, uint32_t count,
                unsigned int recordSize, bool more) {
    const unsigned int counters = std::min(kCounterCount, (recordSize - kItOffCounters) / 8);
    report.line("%*s\"%s\": [\n", 4, "", name);
    for (uint32_t i = 0; i < count; ++i, off += recordSize) {
        std::string uuid = uuidText(r, off + kItOffUuid);
        unsigned int port = r.getAt<uint16_t>(off + kItOffPort);
        std::string proto = protocolName(r.getAt<uint8_t>(off + kItOffProtocol));
        report.line("%*s{\n", 6, "");
        report.line("%*s\"UUID\": \"%s\",\n", 8, "", uuid.c_str());
        report.line("%*s\"ports\": %u,\n", 8, "", port);
        report.line("%*s\"protocol\": \"%s\",\n", 8, "", proto.c_str());
        report.line("%*s\"stats\": {\n", 8, "");
        for (unsigned int k = 0; k < counters; ++k) {
            unsigned long v = static_cast<unsigned long>(r.getAt<uint64_t>(off + kItOffCounters + k * 8));
            report.line("%*s\"%s\": %lu", 10, "", kCounterNames[k], v);
            report.line("%s%s", k + 1 < counters ? "," : "", "\n");
        }
        report.line("%*s}\n", 8, "");
        report.line("%*s}", 6, "");
        report.line("%s%s", i + 1 < count ? "," : "", "\n");
    }
    report.line("%*s]", 4, "");
    report.line("%s%s", more ? "," : "", "\n");
}

}  // namespace

CKestFWCmdGetLBStat::CKestFWCmdGetLBStat(dvs_port_* port, FWLBStat_* sizes) : CKestFWCmd(port), m_sizes(sizes) {
    if (sizes == nullptr) return;
    ByteReader r(sizes->bytes, sizeof sizes->bytes);
    uint32_t n = r.getAt<uint32_t>(kStOffCount);
    if (n > kStMaxServices) throw CIntegerOverflowException("too many load balancer services: ", n);
    uint64_t total = kStatRecord;
    for (uint32_t i = 0; i < n; ++i) {
        m_counts.push_back(countsAt(r, kStOffServices + i * kStServiceStride));
        total += m_counts.back().areaSize();
        if (total > kMaxBody) throw CIntegerOverflowException("load balancer statistics too large: ", n);
    }
    m_bodySize = static_cast<unsigned int>(total);
}

bool CKestFWCmdGetLBStat::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, m_bodySize, written)) return false;
    if (m_sizes != nullptr) memcpy(writable(body), m_sizes->bytes, kStatRecord);
    ByteWriter(writable(body), m_bodySize).putAt<uint32_t>(kStOffSize, m_bodySize);
    return true;
}

void CKestFWCmdGetLBStat::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t n = r.getAt<uint32_t>(kStOffCount);
    if (!r.ok() || size < kStatRecord) throw CInsufficientMsgBufException(kStatRecord, size);
    if (n > m_counts.size()) {
        KFW_WARN("LB stat: kernel answered %u services, %u asked for\n", n, unsigned(m_counts.size()));
        throw CInsufficientMsgBufException(m_bodySize, size);
    }
    std::vector<StatCounts> counts;
    size_t end = kStatRecord;
    for (uint32_t i = 0; i < n; ++i) {
        StatCounts c = countsAt(r, kStOffServices + i * kStServiceStride);
        // Item areas sit where the request put them, each as large as its asked-for counts made it.
        if (!c.within(m_counts[i]) || m_counts[i].areaSize() > size - end) {
            KFW_WARN("LB stat: service %u answers more than its size said\n", i);
            throw CInsufficientMsgBufException(m_bodySize, size);
        }
        counts.push_back(c);
        end += m_counts[i].areaSize();
    }

    CKestFWReport report;
    size_t item = kStatRecord;
    for (uint32_t i = 0; i < n; ++i) {
        const size_t entry = kStOffServices + i * kStServiceStride;
        const size_t areaStart = item;
        std::string uuid = uuidText(r, entry + kStSvcOffUuid);
        report.line("%*sLB-%u: %s\n", 0, "", r.getAt<uint32_t>(entry + kStSvcOffId), uuid.c_str());
        report.line("%*s{\n", 2, "");
        printItems(report, r, item, "virtual servers", counts[i].vs, kStVirtualServer, true);
        printItems(report, r, item, "pools", counts[i].pools, kStPool, true);
        printItems(report, r, item, "members", counts[i].members, kStPoolMember, false);
        report.line("%*s}\n", 2, "");
        item = areaStart + m_counts[i].areaSize();
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetLBStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBStat_* sizes, void* out,
                        unsigned int out_size) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(sizes != nullptr);
    KFW_API_REQUIRE(out != nullptr || out_size == 0);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetLBStat cmd(port, sizes);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            size_t n = reply.size() < out_size ? reply.size() : out_size;
            const uint8_t* p = reply.view(n);
            if (p != nullptr && n != 0) memcpy(out, p, n);
        });
    });
}
