#include "cmd/KestFWCmdSetUid2SidMapping.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

std::string sidText(const fwattr_sid& sid) {
    char text[256];
    return sid_bin2str(&sid, text, sizeof text) ? std::string(text) : std::string("INVALID");
}

void CKestFWCmdSetUid2SidMapping::addSid(const fwattr_sid* sids, unsigned int n) {
    if (n != 0 && sids == nullptr) throw CInvalidInputDataException("no group sids");
    m_groups.insert(m_groups.end(), sids, sids + n);
}

unsigned int CKestFWCmdSetUid2SidMapping::getMsgSize() const {
    return IdentityBody::sized("too many group sids", kHeadSize, m_groups.size(), kSidSize);
}

std::string CKestFWCmdSetUid2SidMapping::toString() const {
    std::string out = m_op == 0 ? "add uid2sid mapping" : "del uid2sid mapping";
    out += " UID: " + sidText(m_user) + " {";
    bool first = true;
    for (const fwattr_sid& g : m_groups) {
        if (!first) out += ", ";
        first = false;
        out += sidText(g);
    }
    return out + "}";
}

bool CKestFWCmdSetUid2SidMapping::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                               unsigned int) {
    const unsigned int need = getMsgSize();
    if (!IdentityBody::begin(body, avail, need)) return false;
    ByteWriter w(writable(body), need);
    w.putAt<uint32_t>(kOffOp, m_op);
    w.putAt<uint32_t>(kOffCount, static_cast<uint32_t>(m_groups.size()));
    w.putAt<uint32_t>(kOffValue, m_value);
    w.bytes(&m_user, kSidSize);
    for (const fwattr_sid& g : m_groups) w.bytes(&g, kSidSize);
    if (!w.ok()) return false;
    if (written != nullptr) *written = need;
    return true;
}

void CKestFWCmdSetUid2SidMapping::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t status = r.getAt<uint32_t>(kOffStatus);
    if (r.ok()) KFW_DEBUG(KFW_COMP_CMD, 2, "%s : ret value was : %d\n", __func__, static_cast<int>(status));
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_AddAttrUid2MultiSid(fwlibhandle_* handle, dvs_port_* port, unsigned int operation, const char* userSid,
                                  const char* const* groupSids, unsigned int count, unsigned int value) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(userSid != nullptr && (count == 0 || groupSids != nullptr));
    KFW_API_RUN([&]() -> FWStatus_t {
        fwattr_sid user;
        if (!sid_str2bin(userSid, &user)) {
            KFW_ERROR("invalid user sid %s\n", userSid);
            return 3;
        }
        std::vector<fwattr_sid> groups(count);
        for (unsigned int i = 0; i < count; ++i) {
            if (groupSids[i] == nullptr || !sid_str2bin(groupSids[i], &groups[i])) {
                KFW_ERROR("invalid group sid %s\n", groupSids[i] != nullptr ? groupSids[i] : "(null)");
                return 3;
            }
        }
        CKestFWCmdSetUid2SidMapping c(port, operation, user, value);
        c.addSid(groups.data(), count);
        return kfwExecuteCommand(c, handle, nullptr);
    });
}
