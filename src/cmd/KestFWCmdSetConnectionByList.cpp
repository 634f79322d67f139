#include "cmd/KestFWCmdSetConnectionByList.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

CKestFWCmdSetConnectionByList::CKestFWCmdSetConnectionByList(dvs_port_* port, unsigned int count,
                                                             const FWConnection_* conns)
    : CKestFWCmd(port), m_list(new CKestFWConnectionList) {
    if (uint64_t(count) * FW_CONNECTION_SIZE + kHeadSize > 0xFFFFFFFFu)
        throw CIntegerOverflowException("number of connections", count);
    if (count != 0 && conns == nullptr) throw CInvalidInputDataException("no connections");
    for (unsigned int i = 0; i < count; ++i) m_list->addConnection(new FWConnection_(conns[i]));
}

CKestFWCmdSetConnectionByList::CKestFWCmdSetConnectionByList(dvs_port_* port, CKestFWConnectionList* list)
    : CKestFWCmd(port), m_list(list != nullptr ? list : new CKestFWConnectionList) {}

unsigned int CKestFWCmdSetConnectionByList::getMsgSize() const {
    uint64_t size = uint64_t(m_list->getMsgSize()) + kHeadSize;
    if (size > 0xFFFFFFFFu) throw CIntegerOverflowException("connection count overflows", unsigned(m_list->size()));
    return unsigned(size);
}

std::string CKestFWCmdSetConnectionByList::toString() const {
    return "set connection " + dvsportToString("of") + " with " + m_list->toString();
}

bool CKestFWCmdSetConnectionByList::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    const unsigned int size = getMsgSize();
    if (!zeroBody(body, avail, size, written)) return false;
    ByteWriter w(writable(body), size);
    w.u32(unsigned(m_list->size()));
    w.u32(0);
    unsigned int used = 0;
    return w.ok() && m_list->toMessage(writable(body) + kHeadSize, size - kHeadSize, &used);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetConnectionByList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                  const FWConnection_* conns, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && conns != nullptr && result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetConnectionByList cmd(port, count, conns);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t n = reply.u32();
            if (reply.ok()) *result = n;
        });
    });
}
