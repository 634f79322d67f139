#include "cmd/KestFWCmdClearLBStat.h"

#include <cstring>
#include <string>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdLBLayout.h"

namespace KestFirewall {

static_assert(sizeof(FWLBStat_) == CKestFWCmdClearLBStat::kBodySize, "size record layout");

bool CKestFWCmdClearLBStat::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    if (m_record != nullptr) memcpy(writable(body), m_record->bytes, kBodySize);
    return true;
}

void CKestFWCmdClearLBStat::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint8_t flags = r.getAt<uint8_t>(LBLayout::kStOffClear);
    if (!r.ok()) return;
    static const char kTail[] =
        " stats on datapath is cleared. In rare cases some of the counters may not be cleared and when that "
        "happens please try issuing the command again";
    const std::string vs = std::string("vs") + kTail, pool = std::string("pool") + kTail;
    CKestFWReport report;
    report.line("%*s{\n", 0, "");
    const bool cleared[2] = {(flags & LBLayout::kClearVs) != 0, (flags & LBLayout::kClearPool) != 0};
    const char* texts[2] = {vs.c_str(), pool.c_str()};
    for (int i = 0; i < 2; ++i) {
        if (!cleared[i]) continue;
        bool more = i == 0 && cleared[1];
        report.line("%*s\"%s\": \"%s\"", 4, "", "result", texts[i]);
        report.line("%s%s", more ? "," : "", "\n");
    }
    report.line("%*s}", 0, "");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_ClearLBStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBStat_* record) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(record != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdClearLBStat cmd(port, record);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
