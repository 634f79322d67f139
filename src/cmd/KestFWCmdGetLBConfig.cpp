#include "cmd/KestFWCmdGetLBConfig.h"

#include <cstring>
#include <string>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

namespace {

using namespace LBLayout;

struct Group {
    const char* heading;  // null: counters without a heading
    std::vector<const char*> names;
};

const std::vector<Group>& serviceCounters() {
    static const std::vector<Group> kGroups = {
        {nullptr,
         {"Curr L4 Sessions", "New Flow - VS Matched", "New Flow - Server Selected",
          "Flow Validate - LBS Replaced After Full Sync", "Src IP Persistence Entry Added",
          "Src IP Persistence Entry Deleted", "PM List Resize Count"}},
        {"Config Update:",
         {"LBS Update Error - No Memory", "LBS Update Error - Unexpected LSPs to Unlink In Full Sync",
          "Filter Not Found", "VS Update Error - Reached Maximum Limit", "VS Update Error - No Memory",
          "Pool Update Error - No Memory", "Pool Update Error (New Pool) - PM Exists",
          "Pool Update Error - Invalid PM Count", "Pool Update Error - PM Not Found At Detaching",
          "Pool Update Error - Dup PM Found At Attaching", "VS Delete Error - VS Not Found",
          "Pool Delete Error - Pool Not Found"}},
        {"L4 Flow Rejected:", {"LBS Invalid", "Session Limit Reached"}},
        {"Flow Validate Bypassed:", {"Flow/Kif LBS Diff", "Kif LBS Is Null"}},
        {"Src IP Persistence:",
         {"Purge Error - Failed to Add to RB Tree (no vs)", "Entry Deleted - Failed to Create State"}},
        {"Export/Import:",
         {"State Import - LBS State Inserted", "State Import - VS Not Found", "State Import - PM Not Found",
          "State Import - SIP Not Found", "State Import - LBS State Insert Failed",
          "SIP Persistence Import - Entry Has No Flow Zero Timeout",
          "SIP Persistence Import - Entry Has Flow But Was In Purge",
          "SIP Persistence Import - Entry Deleted Because VS Not Found"}},
    };
    return kGroups;
}

const std::vector<Group>& globalInfo() {
    static const std::vector<Group> kGroups = {
        {"Config Update",
         {"Config Update Rcvd", "Full Sync Rcvd", "LBS Update Rcvd", "VS Update Rcvd", "Pool Update Rcvd",
          "LBS Delete Rcvd", "VS Delete Rcvd", "Pool Delete Rcvd"}},
        {"RCU Queue",
         {"RCU Queue Add - LBS", "RCU Queue Add - VS", "RCU Queue Add - Pool", "RCU Queue Add - Pool UUID",
          "RCU Queue Del - LBS", "RCU Queue Del - VS", "RCU Queue Del - Pool", "RCU Queue Del - Pool UUID"}},
        {"Data Path",
         {"LB Flow Purged - LBS Invalid", "LB Flow Purged - Flow/Kif LBS Diff",
          "LB Flow Purged - Kif Not Linked With LBS After Full Sync", "LB Flow Purged - Session Validate Fail"}},
        {"Export/Import",
         {"Global Config Save Received", "Global Config Restore - Unknown Type",
          "Global Config Restore - Unknown TLV Tag"}},
    };
    return kGroups;
}

const std::vector<Group>& globalError() {
    static const std::vector<Group> kGroups = {
        {"Config Update:",
         {"Full Sync Error - No Msg", "Full Sync Error - No Memory", "VS Update Error - LBS Not Found",
          "Pool Update Error - LBS Not Found", "LBS Delete Error - LBS Not Found", "VS Delete Error - LBS Not Found",
          "Pool Delete Error - LBS Not Found"}},
        {"RCU Queue:",
         {"RCU Lock Init Error", "RCU Queue Add - Invalid Type", "RCU Queue Add - No Memory",
          "RCU Queue Del - Invalid Type", "RCU Queue Del - PM Hmap Not Empty After Pool Purge",
          "Globa Config Save Failed - Global LBS", "Globa Config Save Failed - LBS Entry",
          "Globa Config Save Failed - LSP List", "Globa Config Save Failed - Pool",
          "Globa Config Save Failed - PM List", "Globa Config Save Failed - VS",
          "Globa Config Save Failed - Buffer Error", "Globa Config Save Failed - TLV Error",
          "Globa Config Restore Failed - Buffer Error", "Globa Config Restore Failed - TLV Error",
          "LBS Not Found at State Import"}},
    };
    return kGroups;
}

// Counters of the groups, u64 each from `off`; `indent` is the tab depth of the counter lines.
void printCounters(const CKestFWReport& report, ByteReader& r, size_t off, const std::vector<Group>& groups,
                   const char* groupIndent, const char* counterIndent) {
    for (const Group& g : groups) {
        if (g.heading != nullptr) report.line("%s%s\n", groupIndent, g.heading);
        for (const char* name : g.names) {
            unsigned long v = static_cast<unsigned long>(r.getAt<uint64_t>(off));
            off += 8;
            report.line("%s%s:\t%lu\n", g.heading != nullptr ? counterIndent : groupIndent, name, v);
        }
    }
}

std::string nameAt(ByteReader& r, size_t off, size_t width) {
    r.seek(off);
    std::string s = r.text(width);
    return s.empty() ? "N/A" : s;
}

ServiceCounts countsAt(ByteReader& r, size_t off) {
    ServiceCounts c;
    r.seek(off);
    c.vs = r.u32();
    c.pools = r.u32();
    c.members = r.u32();
    c.lspConfigured = r.u32();
    c.lspApplied = r.u32();
    return c;
}

}  // namespace

CKestFWCmdGetLBConfig::CKestFWCmdGetLBConfig(dvs_port_* port, FWLBConfigSize_* sizes)
    : CKestFWCmd(port), m_sizes(sizes) {
    if (sizes == nullptr) return;
    ByteReader r(sizes->bytes, sizeof sizes->bytes);
    uint32_t n = r.getAt<uint32_t>(kSzOffCount);
    if (n > kCfgMaxServices) throw CIntegerOverflowException("too many load balancer services: ", n);
    uint64_t total = kCfgHeader;
    for (uint32_t i = 0; i < n; ++i) {
        m_counts.push_back(countsAt(r, kSzOffServices + i * kSzServiceStride));
        total += m_counts.back().areaSize();
        if (total > kMaxBody) throw CIntegerOverflowException("load balancer configuration too large: ", n);
    }
    m_bodySize = static_cast<unsigned int>(total);
}

bool CKestFWCmdGetLBConfig::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, m_bodySize, written)) return false;
    ByteWriter w(writable(body), m_bodySize);
    w.putAt<uint32_t>(kCfgOffSize, m_bodySize);
    w.putAt<uint32_t>(kCfgOffCount, static_cast<uint32_t>(m_counts.size()));
    if (m_sizes == nullptr) return w.ok();
    ByteReader r(m_sizes->bytes, sizeof m_sizes->bytes);
    uint32_t id = r.getAt<uint32_t>(kSzOffId);
    std::string uuid = r.text(kUuidTextWidth);
    uint8_t options = r.getAt<uint8_t>(kSzOffOptions) & (kOptDebugMask | kOptByUuid | kOptById | kOptCarried);
    w.putAt<uint32_t>(kCfgOffId, id);
    w.seek(kCfgOffUuid);
    w.text(uuid, kUuidTextWidth);
    w.putAt<uint8_t>(kCfgOffOptions, options);
    KFW_DEBUG(KFW_COMP_CMD, 2, "LB config: size %u lbs_cnt %u options: (debug %d id %d uuid %s)\n", m_bodySize,
              unsigned(m_counts.size()), int(options & kOptDebugMask), (options & kOptById) ? int(id) : -1,
              (options & kOptByUuid) ? uuid.c_str() : "n/a");
    size_t area = kCfgHeader;
    for (size_t i = 0; i < m_counts.size(); ++i) {
        const ServiceCounts& c = m_counts[i];
        w.seek(area + kSvcOffCounts);
        w.u32(c.vs);
        w.u32(c.pools);
        w.u32(c.members);
        w.u32(c.lspConfigured);
        w.u32(c.lspApplied);
        KFW_DEBUG(KFW_COMP_CMD, 2, "LB config: LB-%u: vs %u pool %u pm %u lsp configured %u lsp applied %u\n",
                  unsigned(i), c.vs, c.pools, c.members, c.lspConfigured, c.lspApplied);
        area += c.areaSize();
    }
    return w.ok();
}

void CKestFWCmdGetLBConfig::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t n = r.getAt<uint32_t>(kCfgOffCount);
    if (!r.ok() || size < kCfgHeader) throw CInsufficientMsgBufException(kCfgHeader, size);
    // Walk the areas first: every count within what was asked for, every area within the reply.
    if (n > m_counts.size()) {
        KFW_WARN("LB config: kernel answered %u services, %u asked for\n", n, unsigned(m_counts.size()));
        throw CInsufficientMsgBufException(m_bodySize, size);
    }
    std::vector<std::pair<size_t, ServiceCounts>> areas;
    size_t area = kCfgHeader;
    for (uint32_t i = 0; i < n; ++i) {
        ServiceCounts c = countsAt(r, area + kSvcOffCounts);
        // Areas sit where the request put them, each as large as its asked-for counts made it.
        if (!r.ok() || !c.within(m_counts[i]) || m_counts[i].areaSize() > size - area) {
            KFW_WARN("LB config: service %u answers more than its size said\n", i);
            throw CInsufficientMsgBufException(m_bodySize, size);
        }
        areas.emplace_back(area, c);
        area += m_counts[i].areaSize();
    }

    CKestFWReport report;
    report.line("LBS: %u\n", n);
    for (const auto& a : areas) {
        const size_t off = a.first;
        const ServiceCounts& c = a.second;
        uint32_t id = r.getAt<uint32_t>(off + kSvcOffId);
        int valid = r.getAt<uint8_t>(off + kSvcOffValid), isDefault = r.getAt<uint8_t>(off + kSvcOffDefault);
        uint32_t refs = r.getAt<uint32_t>(off + kSvcOffRefCnt);
        uint64_t age = r.getAt<uint64_t>(off + kSvcOffAge);
        uint32_t kifFlags = r.getAt<uint32_t>(off + kSvcOffKifFlags);
        uint64_t mp = r.getAt<uint64_t>(off + kSvcOffMpCreation);
        std::string uuid = uuidText(r, off + kSvcOffUuid);
        std::string name = nameAt(r, off + kSvcOffName, kNameWidth);
        report.line("%s\n", "--------------------------------------------------------------------------------");
        report.line("LB-%u ", id);
        report.line("Name: '%s' ", name.c_str());
        report.line("(ID: %u, Valid: %d, Default LBS: %d, ", id, valid, isDefault);
        report.line("Ref Cnt: %u, Age: %lu %.2d:%.2d:%.2d", refs, static_cast<unsigned long>(age / 86400),
                    int(age / 3600 % 24), int(age / 60 % 60), int(age % 60));
        report.line(", Kif Flags: %x, MP Creation: %lu", kifFlags, static_cast<unsigned long>(mp));
        report.line("), UUID: %s, ", uuid.c_str());
        report.line("\n");

        size_t item = off + kService;
        report.line("\tVirtual Servers (%u):\n", c.vs);
        for (uint32_t k = 0; k < c.vs; ++k, item += kVirtualServer) {
            std::string vsName = nameAt(r, item, 64), where = nameAt(r, item + 64, 60),
                        pool = nameAt(r, item + 124, 64);
            report.line("\t\t%s %s", vsName.c_str(), where.c_str());
            report.line(", Pool: %s, State Cnt %u\n", pool.c_str(), r.getAt<uint32_t>(item + 188));
            uint8_t log = r.getAt<uint8_t>(item + 192);
            if (log != 0)
                report.line("\t\t\tAccess Log: Enabled (%s), ", log == 1 ? "Significant Only" : "All");
            else
                report.line("\t\t\tAccess Log: Disabled, ");
            report.line("Idle Timeout: ");
            report.line("%u, Close Timeout: %u", unsigned(r.getAt<uint16_t>(item + 193)),
                        unsigned(r.getAt<uint16_t>(item + 195)));
            report.line(", Src IP Persistence Timeout: %u", r.getAt<uint32_t>(item + 197));
            report.line("\n");
        }
        report.line("\tPools (%u):\n", c.pools);
        for (uint32_t k = 0; k < c.pools; ++k, item += kPool) {
            std::string pool = nameAt(r, item, 64);
            report.line("\t\t");
            report.line("%s, VS Cnt %u, PM List: count %u idx %u (%u)\n", pool.c_str(), r.getAt<uint32_t>(item + 64),
                        r.getAt<uint32_t>(item + 68), r.getAt<uint32_t>(item + 72), r.getAt<uint32_t>(item + 76));
        }
        report.line("\tServers (%u):\n", c.members);
        for (uint32_t k = 0; k < c.members; ++k, item += kPoolMember) {
            std::string pm = nameAt(r, item, 32), pool = nameAt(r, item + 32, 32);
            report.line("\t\t%s, Pool: %s", pm.c_str(), pool.c_str());
            report.line(", State Cnt %u\n", r.getAt<uint32_t>(item + 64));
        }
        const char* lspHeadings[2] = {"\tLSPs configured (%u):\n", "\tLSPs Applied (%u):\n"};
        const uint32_t lspCounts[2] = {c.lspConfigured, c.lspApplied};
        for (int which = 0; which < 2; ++which) {
            report.line(lspHeadings[which], lspCounts[which]);
            for (uint32_t k = 0; k < lspCounts[which]; ++k, item += kLsp) {
                std::string lsp = nameAt(r, item, 47);
                report.line("\t\t%s", lsp.c_str());
                if (r.getAt<uint8_t>(item + 47) != 0)
                    report.line(" (kif flags %x)\n", r.getAt<uint32_t>(item + 48));
                else
                    report.line(" (kif flags NULL)\n");
            }
        }
        report.line("Virtual Servers (%u), Pools (%u), Servers (%u)\n", c.vs, c.pools, c.members);
        printCounters(report, r, off + kSvcOffCounters, serviceCounters(), "\t", "\t\t");
    }
    report.line("Global: Info\n");
    printCounters(report, r, kCfgOffGlobalInfo, globalInfo(), "\t", "\t\t");
    report.line("\nGlobal: Error\n");
    printCounters(report, r, kCfgOffGlobalError, globalError(), "\t", "\t\t");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetLBConfig(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBConfigSize_* sizes, void* out,
                          unsigned int out_size) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(sizes != nullptr);
    KFW_API_REQUIRE(out != nullptr || out_size == 0);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetLBConfig cmd(port, sizes);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            size_t n = reply.size() < out_size ? reply.size() : out_size;
            const uint8_t* p = reply.view(n);
            if (p != nullptr && n != 0) memcpy(out, p, n);
        });
    });
}
