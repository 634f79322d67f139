#include "cmd/KestFWCmdCreateAddrSet.h"

#include <cstring>

#include "cmd/KestFWCmdApi.h"
#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressListFactory.h"

namespace KestFirewall {

CKestFWCmdCreateAddrSet::CKestFWCmdCreateAddrSet(dvs_port_* port, FWAddrSetID_t id, FWAddrSetType_t kind,
                                                 CKestFWAddressList* list)
    : CKestFWCmd(port), m_id(id), m_kind(kind), m_list(list != nullptr ? list : new CKestFWAddressList(false)) {
    memset(m_transactionId, 0, sizeof m_transactionId);
}

CKestFWCmdCreateAddrSet::CKestFWCmdCreateAddrSet(dvs_port_* port, FWAddrSetID_t id, FWAddrSetType_t kind)
    : CKestFWCmdCreateAddrSet(port, id, kind, nullptr) {}

CKestFWCmdCreateAddrSet::CKestFWCmdCreateAddrSet(dvs_port_* port, const char* name, FWAddrSetType_t kind)
    : CKestFWCmdCreateAddrSet(port, name, kind, nullptr) {}

CKestFWCmdCreateAddrSet::CKestFWCmdCreateAddrSet(dvs_port_* port, const char* name, FWAddrSetType_t kind,
                                                 CKestFWAddressList* list)
    : CKestFWCmdCreateAddrSet(port, FWAddrSetID_t(), kind, list) {
    // The list already belongs to this command, so a refused name releases it with the command.
    setName(name);
}

CKestFWCmdCreateAddrSet::~CKestFWCmdCreateAddrSet() = default;

void CKestFWCmdCreateAddrSet::setName(const char* name) {
    if (name == nullptr) throw CInvalidInputDataException("no address set name");
    size_t len = strlen(name);
    if (len >= sizeof m_id.name) throw CIDTooLongException(name);
    memset(&m_id, 0, sizeof m_id);
    memcpy(m_id.name, name, len);
}

bool CKestFWCmdCreateAddrSet::addAddress(const FWAddress_* records, unsigned int count) {
    if (count == 0) return true;
    if (records == nullptr) throw CInvalidAddressException("null address records");
    for (unsigned int i = 0; i < count; ++i) {
        std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromMsgBuf(&records[i]));
        if (!a) continue;
        if (m_list->isBorrowed()) m_made.reserve(m_made.size() + 1);
        // A refused member stays with us and is released here; a taken one belongs to the list.
        if (!m_list->addAddress(a.get())) continue;
        if (m_list->isBorrowed())
            m_made.push_back(std::move(a));
        else
            a.release();
    }
    return true;
}

unsigned int CKestFWCmdCreateAddrSet::getMsgSize() const {
    unsigned int members = m_list->getMsgSize();
    if (members > UINT32_MAX - kHeadSize) throw CIntegerOverflowException("address set too large", members);
    return kHeadSize + members;
}

std::string CKestFWCmdCreateAddrSet::toString() const {
    std::string name(m_id.name, strnlen(m_id.name, sizeof m_id.name));
    return "create addrset " + name + dvsportToString("for") + " with " + m_list->toString();
}

bool CKestFWCmdCreateAddrSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    const unsigned int size = getMsgSize();
    if (body == nullptr || size > avail) return false;
    const uint32_t count = static_cast<uint32_t>(m_list->size());
    ByteWriter w(writable(body), avail);
    // The member records too: each member writes only the fields of its form.
    w.zeros(size);
    w.seek(0);
    w.bytes(m_id.name, sizeof m_id.name);
    w.putAt<uint64_t>(kOffRequestWord, m_requestWord);
    w.putAt<uint32_t>(kOffOne, 1);
    w.putAt<uint32_t>(kOffMemberBytes, count * FW_ADDRESS_RECORD_SIZE);
    w.putAt<uint8_t>(kOffFlags, kFlagsComplete | (m_list->hasIPv6() ? kFlagIPv6 : 0));
    unsigned int used = 0;
    if (count > 0) {
        if (!m_list->toMessage(writable(body) + kHeadSize, avail - kHeadSize, &used)) return false;
        w.putAt<uint32_t>(kOffCount, count);
    }
    if (!w.ok()) return false;
    if (written != nullptr) *written = kHeadSize + used;
    return true;
}

void CKestFWCmdCreateAddrSet::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint8_t flags = r.getAt<uint8_t>(kOffFlags);
    uint8_t id[kTransactionIdSize];
    r.seek(kOffTransactionId);
    r.bytes(id, sizeof id);
    uint64_t word = r.u64();
    if (!r.ok()) return;
    uint32_t w[4];
    ByteReader words(id, sizeof id);
    for (uint32_t& x : w) x = words.u32();
    KFW_DEBUG(KFW_COMP_CMD, 1, "transaction id: 0x%08x, 0x%08x, 0x%08x, 0x%08x\n", w[0], w[1], w[2], w[3]);
    if ((flags & kFlagsComplete) != kFlagsComplete) {
        memcpy(m_transactionId, id, sizeof id);
        m_transactionWord = word;
    } else {
        memset(m_transactionId, 0, sizeof m_transactionId);
        m_transactionWord = 0;
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWAddrSetType_t addr_type_to_addrset_type(unsigned short addressType) {
    if (addressType >= FW_ADDRESS_IPV4 && addressType <= FW_ADDRESS_IPV6_CIDR) return FW_ADDRSET_IP;
    if (addressType == FW_ADDRESS_ETHER) return FW_ADDRSET_MAC;
    return 0;
}

FWStatus_t FW_CreateAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind, unsigned int count,
                            const FWAddress_* records, FWAddrSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(records != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWAddressList> list(
            CKestFWAddressListFactory::newFromArray(static_cast<int>(kind), id, records, count));
        if (!list) return 8;
        CKestFWCmdCreateAddrSet cmd(port, id, kind, list.release());
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
