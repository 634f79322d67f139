#include "cmd/KestFWCmdGetElementsOfContainer.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "model/KestFWContainerID.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWCmdGetElementsOfContainer::CKestFWCmdGetElementsOfContainer(dvs_port_* port, const std::string& name,
                                                                   FWContainerType type, unsigned int maxElements,
                                                                   unsigned int room)
    : CKestFWCmd(port),
      m_container(BuildContainer(name, type)),
      m_max(maxElements),
      m_size(IdentityBody::sized("container room too large", kHeadSize, room, 1)) {}

bool CKestFWCmdGetElementsOfContainer::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                    unsigned int) {
    if (!IdentityBody::begin(body, avail, m_size)) return false;
    ByteWriter w(writable(body), m_size);
    w.text(m_container->getName(), sizeof(FWAddrSetID_t));
    w.putAt<uint32_t>(kOffType, m_container->getContainerType());
    w.putAt<uint32_t>(kOffMax, m_max);
    w.putAt<uint32_t>(kOffZero, 0);
    if (written != nullptr) *written = m_size;
    return w.ok();
}

void CKestFWCmdGetElementsOfContainer::checkCmdReply(const void* body, unsigned int size) {
    if (size < kHeadSize) throw CInvalidInputDataException("failed to parse the tlv chain");
    auto fresh = BuildContainer(m_container->getName(), m_container->getContainerType());
    const uint8_t* chain = static_cast<const uint8_t*>(body) + kHeadSize;
    if (!fresh->parseTLVChain(reinterpret_cast<const FWtlvChain*>(chain), size - kHeadSize)) {
        KFW_ERROR("failed to parse the tlv chain\n");
        throw CInvalidInputDataException("failed to parse the tlv chain");
    }
    m_container = std::move(fresh);
}

bool CKestFWCmdGetElementsOfContainer::elementsToCharArray(char** out, unsigned int n, unsigned int* count,
                                                           bool withUuid) const {
    if (count == nullptr || !m_container->elementsToCharArray(out, n, withUuid)) {
        KFW_ERROR("failed to convert tlv elements into a char array\n");
        return false;
    }
    *count = m_container->getCount();
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetElementsOfContainer(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count, unsigned int,
                                     char** out, unsigned int* returned, FWAddrSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && out != nullptr && returned != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        const CKestFWContainerID name(id);
        const uint64_t room =
            FW_TLV_CHAIN_HEADER_SIZE + uint64_t(count) * CKestFWCmdGetElementsOfContainer::kElementRoom;
        if (room > IdentityBody::kMaxBody) throw CIntegerOverflowException("too many container elements", count);
        CKestFWCmdGetElementsOfContainer c(port, name.getName(), FW_CONTAINER_ATTR_PROFILE, count, unsigned(room));
        return kfwExecuteCommand(c, handle, ctx, [&](ByteReader&) {
            if (!c.elementsToCharArray(out, count, returned, true)) return;  // nothing stored
        });
    });
}
