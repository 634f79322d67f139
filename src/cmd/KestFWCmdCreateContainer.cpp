#include "cmd/KestFWCmdCreateContainer.h"

#include <cstring>

#include "cmd/KestFWCmdIdentityBody.h"
#include "model/KestFWContainerID.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWCmdCreateContainer::CKestFWCmdCreateContainer(dvs_port_* port, const std::string& name, FWContainerType type)
    : CKestFWCmd(port), m_container(BuildContainer(name, type)) {}

unsigned int CKestFWCmdCreateContainer::getMsgSize() const {
    return IdentityBody::sized("container too large", kHeadSize, m_container->getMsgSize(), 1);
}

std::string CKestFWCmdCreateContainer::toString() const {
    const char* word =
        m_container->getContainerType() == FW_CONTAINER_ATTR_PROFILE ? "create attrprofile" : "create container";
    return std::string(word) + " " + m_container->toString() + "\n";
}

bool CKestFWCmdCreateContainer::addElement(std::unique_ptr<CKestFWContainerElement> element) {
    return m_container->addElement(std::move(element));
}

bool CKestFWCmdCreateContainer::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                             unsigned int) {
    const unsigned int need = getMsgSize();
    if (!IdentityBody::begin(body, avail, need)) return false;
    const unsigned int chainSize = m_container->getMsgSize();
    ByteWriter w(writable(body), need);
    w.text(m_container->getName(), sizeof(FWAddrSetID_t));
    w.putAt<uint64_t>(kOffValue, m_value);
    w.putAt<uint32_t>(kOffCount, m_container->getCount());
    w.putAt<uint32_t>(kOffType, m_container->getContainerType());
    w.putAt<uint32_t>(kOffChainSize, chainSize);
    w.putAt<uint8_t>(kOffFlags, kFlagsComplete);
    unsigned int used = 0;
    if (!w.ok() || !m_container->toMessage(writable(body) + kHeadSize, chainSize, &used)) return false;
    if (written != nullptr) *written = kHeadSize + used;
    return true;
}

void CKestFWCmdCreateContainer::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint8_t flags = r.getAt<uint8_t>(kOffFlags);
    uint8_t id[sizeof m_transactionId];
    r.seek(kOffTransactionId);
    r.bytes(id, sizeof id);
    const uint32_t word = r.u32();
    if (!r.ok()) return;
    if ((flags & kFlagsComplete) != kFlagsComplete) {
        ByteReader words(id, sizeof id);
        uint32_t w[4];
        for (uint32_t& x : w) x = words.u32();
        KFW_DEBUG(KFW_COMP_CMD, 1, "transaction id: 0x%08x, 0x%08x, 0x%08x, 0x%08x\n", w[0], w[1], w[2], w[3]);
        memcpy(m_transactionId, id, sizeof id);
        m_transactionWord = word;
    } else {
        memset(m_transactionId, 0, sizeof m_transactionId);
        m_transactionWord = 0;
    }
}

}  // namespace KestFirewall
