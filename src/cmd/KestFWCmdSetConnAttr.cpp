#include "cmd/KestFWCmdSetConnAttr.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "cmd/KestFWCmdApi.h"
#include "model/KestFWAttributeUtils.h"
#include "model/KestFWConnectionList.h"

namespace KestFirewall {

namespace {
constexpr unsigned kStatusInvalidUid = 70;
const char kContainerName[] = "dummy";
}  // namespace

CKestFWCmdSetConnAttr::CKestFWCmdSetConnAttr(dvs_port_* port, const FWConnection_& conn, FWAttrOpType op)
    : CKestFWCmd(port),
      m_keyKind(kKeyedByConnection),
      m_op(op),
      m_conn(conn),
      m_stateId(0),
      m_container(BuildContainer(kContainerName, FW_CONTAINER_ATTR_PROFILE)) {}

CKestFWCmdSetConnAttr::CKestFWCmdSetConnAttr(dvs_port_* port, uint64_t stateId, FWAttrOpType op)
    : CKestFWCmd(port),
      m_keyKind(kKeyedByStateId),
      m_op(op),
      m_stateId(stateId),
      m_container(BuildContainer(kContainerName, FW_CONTAINER_ATTR_PROFILE)) {
    memset(&m_conn, 0, sizeof m_conn);
}

unsigned int CKestFWCmdSetConnAttr::getMsgSize() const {
    const uint64_t size = uint64_t(kHeadSize) + m_container->getMsgSize();
    if (size > 0xFFFFFFFFu) throw CIntegerOverflowException("attribute size overflows", m_container->getCount());
    return unsigned(size);
}

std::string CKestFWCmdSetConnAttr::toString() const {
    return "set connection attr\n{\n" + m_container->toString() + "}";
}

bool CKestFWCmdSetConnAttr::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    const unsigned int size = getMsgSize();
    if (!zeroBody(body, avail, size, written)) return false;
    ByteWriter w(writable(body), size);
    w.putAt<uint32_t>(kOffOperation, m_op);
    w.seek(kOffConnection);
    kfwPutConnection(w, m_conn);
    w.putAt<uint32_t>(kOffKeyKind, m_keyKind);
    w.putAt<uint64_t>(kOffStateId, m_stateId);
    w.putAt<uint32_t>(kOffAttrCount, m_container->getCount());
    w.putAt<uint32_t>(kOffChainSize, size - kHeadSize);
    unsigned int used = 0;
    return w.ok() && m_container->toMessage(writable(body) + kHeadSize, size - kHeadSize, &used);
}

void CKestFWCmdSetConnAttr::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t verdict = r.getAt<uint32_t>(kOffStatus);
    if (!r.ok() || verdict == 0) return;
    if (verdict == kStatusInvalidUid) throw CInvalidUidException();
    throw CIoctlException("unknown error", EINVAL);
}

bool CKestFWCmdSetConnAttr::addAttribute(std::unique_ptr<CKestFWL7Attribute> attr) {
    if (!attr) return false;
    return m_container->addElement(std::move(attr));
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {

CKestFWCmdSetConnAttr* attrCommand(void* handle) { return static_cast<CKestFWCmdSetConnAttr*>(handle); }

// Adds one attribute to the command behind a C handle; a duplicate is not an error.
template <typename Make>
FWStatus_t addAttr(const KfwApiSite& site, int line, void* attrCmd, Make&& make) {
    return kfwApiGuard(site, line, [&]() -> FWStatus_t {
        attrCommand(attrCmd)->addAttribute(make());
        return 0;
    });
}

FWStatus_t executeAttrCommand(CKestFWCmdSetConnAttr& cmd, fwlibhandle_* handle, void* ctx, unsigned int* result) {
    return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
        uint32_t word = reply.getAt<uint32_t>(CKestFWCmdSetConnAttr::kOffOperation);
        if (reply.ok() && result != nullptr) *result = word;
    });
}

}  // namespace

FWStatus_t FW_CreateConnectionAttr(fwlibhandle_* handle, dvs_port_* port, const FWConnection_* conn, uint64_t stateId,
                                   FWAttrOpType op, void** attrCmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(attrCmd != nullptr);
    KFW_API_REQUIRE((conn != nullptr) != (stateId != 0));
    KFW_API_RUN([&]() -> FWStatus_t {
        *attrCmd =
            conn != nullptr ? new CKestFWCmdSetConnAttr(port, *conn, op) : new CKestFWCmdSetConnAttr(port, stateId, op);
        return 0;
    });
}

FWStatus_t FW_SetConnectionAttr(fwlibhandle_* handle, void* ctx, void* attrCmd, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(attrCmd != nullptr && result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return executeAttrCommand(*attrCommand(attrCmd), handle, ctx, result); });
}

FWStatus_t FW_ReleaseConnectionAttr(fwlibhandle_* handle, void* attrCmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(attrCmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        delete attrCommand(attrCmd);
        return 0;
    });
}

FWStatus_t FW_SetDNSRevalDone(fwlibhandle_* handle, dvs_port_* port, void* ctx, const FWConnection_* conn,
                              uint64_t stateId, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE((conn != nullptr) != (stateId != 0));
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWCmdSetConnAttr> cmd(
            conn != nullptr ? new CKestFWCmdSetConnAttr(port, *conn, FW_ATTR_OP_DNS_REVAL_DONE)
                            : new CKestFWCmdSetConnAttr(port, stateId, FW_ATTR_OP_DNS_REVAL_DONE));
        return executeAttrCommand(*cmd, handle, ctx, result);
    });
}

FWStatus_t FW_AddAttrSTR(void* attrCmd, FWAttrKeyID key, const char* value) {
    KFW_API_FRAME();
    if (attrCmd == nullptr || value == nullptr) return 3;
    return addAttr(kfwApiSite_, __LINE__, attrCmd, [&]() {
        const _FWAttrKey* rec = dpID2attrkey(key);
        if (rec != nullptr && rec->valueType == FW_ATTR_KVT_UUID_STR) {
            const uint8_t none[16] = {0};
            return std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(key, none, value, FW_ATTR_OP_EQ));
        }
        return std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(key, std::string(value), FW_ATTR_OP_EQ));
    });
}

FWStatus_t FW_AddAttrINT(void* attrCmd, FWAttrKeyID key, int64_t value) {
    KFW_API_FRAME();
    if (attrCmd == nullptr) return 3;
    return addAttr(kfwApiSite_, __LINE__, attrCmd, [&]() {
        const _FWAttrKey* rec = dpID2attrkey(key);
        if (rec != nullptr && rec->valueType == FW_ATTR_KVT_UINT)
            return std::unique_ptr<CKestFWL7Attribute>(
                new CKestFWL7Attribute(key, static_cast<unsigned long>(value), FW_ATTR_OP_EQ));
        return std::unique_ptr<CKestFWL7Attribute>(
            new CKestFWL7Attribute(key, static_cast<long>(value), FW_ATTR_OP_EQ));
    });
}

FWStatus_t FW_AddAttrDNS(void* attrCmd, const char* domain, uint32_t rrType, uint32_t rcode, uint32_t txnId) {
    KFW_API_FRAME();
    if (attrCmd == nullptr || domain == nullptr) return 3;
    return addAttr(kfwApiSite_, __LINE__, attrCmd, [&]() {
        return std::unique_ptr<CKestFWL7Attribute>(
            new CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string(domain), rrType, rcode, txnId, FW_ATTR_OP_EQ));
    });
}

FWStatus_t FW_AddAttrProcessHash(void* attrCmd, uint64_t hash) {
    KFW_API_FRAME();
    if (attrCmd == nullptr) return 3;
    return addAttr(kfwApiSite_, __LINE__, attrCmd, [&]() {
        return std::unique_ptr<CKestFWL7Attribute>(
            new CKestFWL7Attribute(FW_ATTR_KEY_PROCESS_HASH, static_cast<unsigned long>(hash), FW_ATTR_OP_EQ));
    });
}

FWStatus_t FW_AddAttrMultiSID(void* attrCmd, const char* const* sids, unsigned int count) {
    KFW_API_FRAME();
    if (attrCmd == nullptr || sids == nullptr || count == 0) return 3;
    for (unsigned int i = 0; i < count; ++i)
        if (sids[i] == nullptr) return 3;
    return kfwApiGuard(kfwApiSite_, __LINE__, [&]() -> FWStatus_t {
        // Every text is checked before the first is added: a bad SID adds nothing.
        std::vector<std::unique_ptr<CKestFWL7Attribute>> attrs;
        for (unsigned int i = 0; i < count; ++i)
            attrs.emplace_back(new CKestFWL7Attribute(FW_ATTR_KEY_WIN_SID, std::string(sids[i]), FW_ATTR_OP_EQ));
        for (auto& a : attrs) attrCommand(attrCmd)->addAttribute(std::move(a));
        return 0;
    });
}

FWStatus_t FW_AddAttrUserSID(void* attrCmd, const char* sid) {
    KFW_API_FRAME();
    if (attrCmd == nullptr || sid == nullptr) return 3;
    return addAttr(kfwApiSite_, __LINE__, attrCmd, [&]() {
        return std::unique_ptr<CKestFWL7Attribute>(
            new CKestFWL7Attribute(FW_ATTR_KEY_USER_SID, std::string(sid), FW_ATTR_OP_EQ));
    });
}

FWStatus_t FW_AddAttrUUID(void*, FWAttrKeyID, const uint8_t*, const char*) { return 7; }
