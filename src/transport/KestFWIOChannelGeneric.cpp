#include "transport/KestFWIOChannelGeneric.h"

#include <cerrno>
#include <cstdio>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"

namespace KestFirewall {

CKestFWIOChannelGeneric::CKestFWIOChannelGeneric(const FWLibGenericIO_* ops, void* initArg, void** ctxOut) {
    if (ops == nullptr) throw CUnsupportedException("invalid generic io ops");
    if (ops->request == nullptr) throw CUnsupportedException("invalid generic io request function");
    if (ops->init == nullptr) throw CUnsupportedException("invalid generic io init function");
    if (ops->exit == nullptr) throw CUnsupportedException("invalid generic io exit function");
    m_ops = *ops;
    if (m_ops.init(initArg, &m_context) != 0) throw CUnsupportedException("failed to initialize generic io channel");
    if (ctxOut != nullptr) *ctxOut = m_context;
    KFW_DEBUG(KFW_COMP_IO, 1, "initialized generic io channel\n");
}

CKestFWIOChannelGeneric::~CKestFWIOChannelGeneric() {
    m_ops.exit(m_context);
    KFW_DEBUG(KFW_COMP_IO, 1, "closed generic io channel\n");
}

unsigned int CKestFWIOChannelGeneric::sendIOCTL(dvs_port_*, void* msg, unsigned int msgLen, void* ctx) {
    int rc = m_ops.request(m_context, msg, msgLen, ctx);
    int err = errno;
    KFW_DEBUG(KFW_COMP_IO, 2, "generic io request of %u bytes: %d\n", msgLen, rc);
    if (rc == 0) return 0;
    char text[256];
    snprintf(text, sizeof text, "failed to write message to generic io: %s", FW_StatusToString(FWStatus_t(rc)));
    throw CIoctlException(text, err);
}

}  // namespace KestFirewall
