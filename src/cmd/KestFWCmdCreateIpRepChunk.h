// Loads one chunk of the IP-reputation database into the kernel.
#pragma once

#include <cstdint>
#include <memory>

#include "cmd/KestFWCmd.h"
#include "model/KestFWIpRepChunkList.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdCreateIpRepChunk : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdCreateIpRepChunk)

public:
    // Copies the 16-byte database id (null: all zero) and adopts `list` (null: no entries).
    CKestFWCmdCreateIpRepChunk(dvs_port_* port, const unsigned char* databaseId16, CKestFWIpRepChunkList* list,
                               int chunk);
    ~CKestFWCmdCreateIpRepChunk() override;

    // 24 bytes and 16 per entry.
    unsigned int getMsgSize() const override;
    // "create iprep chunk ".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    int getChunk() const { return m_chunk; }
    const uint8_t* getDatabaseId() const { return m_databaseId; }
    const CKestFWIpRepChunkList* getChunkList() const { return m_list.get(); }

private:
    uint8_t m_databaseId[FW_IPREP_DB_ID_SIZE];
    int m_chunk;
    std::unique_ptr<CKestFWIpRepChunkList> m_list;
};

}  // namespace KestFirewall
