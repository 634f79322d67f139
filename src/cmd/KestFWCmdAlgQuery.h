// The shape shared by the application-level-gateway queries: a room in bytes and a count go out, the
// kernel answers with the number of records at 4 and the records from 8. The count forms send a room of
// 0 and read only the number.
#pragma once

#include "cmd/KestFWCmd.h"
#include "util/ByteIO.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdAlgQuery : public CKestFWCmd {
public:
    static constexpr unsigned int kHeaderSize = 8;
    static constexpr unsigned int kOffCount = 4;
    static constexpr unsigned int kOffRecords = 8;

    CKestFWCmdAlgQuery(dvs_port_* port, unsigned int room, unsigned int count, unsigned int recordSize,
                       const char* label)
        : CKestFWCmd(port), m_room(room), m_count(count), m_recordSize(recordSize), m_label(label) {}
    ~CKestFWCmdAlgQuery() override = default;

    unsigned int getMsgSize() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "<label> : <number>".
    void checkCmdReply(const void* body, unsigned int size) override;

    unsigned int getRecordSize() const { return m_recordSize; }
    // Copies at most `max` whole records of the reply to `out` and returns how many; never reads past
    // the reply or the room asked for.
    unsigned int copyRecords(ByteReader& reply, void* out, unsigned int max) const;

protected:
    unsigned int m_room;
    unsigned int m_count;
    unsigned int m_recordSize;
    const char* m_label;
};

}  // namespace KestFirewall
