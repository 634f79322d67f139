// Unloads one chunk of the IP-reputation database.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDestroyIpRepChunk : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDestroyIpRepChunk)

public:
    static constexpr unsigned int kBodySize = 24;

    CKestFWCmdDestroyIpRepChunk(dvs_port_* port, unsigned int chunk) : CKestFWCmd(port), m_chunk(chunk) {}
    ~CKestFWCmdDestroyIpRepChunk() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "destroy iprep chunk ".
    std::string toString() const override { return "destroy iprep chunk "; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    unsigned int getChunk() const { return m_chunk; }

private:
    unsigned int m_chunk;
};

}  // namespace KestFirewall
