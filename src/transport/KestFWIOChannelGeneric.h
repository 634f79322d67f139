// The generic channel hands every message to functions the caller supplied (FWLibGenericIO_): init
// when the channel is built, request per message, exit when the channel is destroyed. The port is not
// passed on; whatever request leaves in the message is what the command reads back.
#pragma once

#include "kestfw/kestfw_io.h"
#include "transport/KestFWIOChannel.h"

namespace KestFirewall {

class KESTFW_API CKestFWIOChannelGeneric : public CKestFWIOChannel {
public:
    // Copies the table and runs its init with `initArg`. CUnsupportedException (7) for a missing table
    // or a missing request, init or exit function, and when init fails. When `ctxOut` is given, the
    // context init made is stored there.
    CKestFWIOChannelGeneric(const FWLibGenericIO_* ops, void* initArg, void** ctxOut);
    ~CKestFWIOChannelGeneric() override;

    // A non-zero answer of request raises CIoctlException "failed to write message to generic io: <text>".
    unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void* ctx) override;

    void* context() const { return m_context; }

private:
    FWLibGenericIO_ m_ops;
    void* m_context = nullptr;
};

}  // namespace KestFirewall
