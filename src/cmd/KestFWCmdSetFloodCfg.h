// Sets the flood limits; the nine values are the kernel's and pass through unchanged.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetFloodCfg : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetFloodCfg)

public:
    static constexpr unsigned int kBodySize = KESTFW_FLOOD_CFG_SIZE;

    // Copies the 36 bytes; a null record sends zeros.
    CKestFWCmdSetFloodCfg(dvs_port_* port, const FWFloodCfg_t* cfg);
    ~CKestFWCmdSetFloodCfg() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "unimplemented".
    std::string toString() const override { return "unimplemented"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    FWFloodCfg_t m_cfg;
};

}  // namespace KestFirewall
