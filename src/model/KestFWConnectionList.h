// A set of connection keys, held in ascending byte order of their 40 bytes. The list owns the records
// handed to it; a record equal to one already held is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "kestfw/kestfw_conn.h"
#include "model/KestFWObject.h"

namespace KestFirewall {

class ByteWriter;

class KESTFW_API CKestFWConnectionList : public IKestFWObject {
public:
    static constexpr unsigned int kObjectType = 138;

    CKestFWConnectionList() = default;
    ~CKestFWConnectionList() override;
    CKestFWConnectionList(const CKestFWConnectionList&) = delete;
    CKestFWConnectionList& operator=(const CKestFWConnectionList&) = delete;

    // 40 bytes per record; "connection count overflows" when that does not fit in 32 bits.
    unsigned int getMsgSize() const override;
    unsigned int getType() const override { return kObjectType; }
    // "{ from a.b.c.d:p to e.f.g.h:q, from ...}".
    std::string toString() const override;
    bool toMessage(const void* buf, unsigned int size, unsigned int* written) override;

    // Takes the record (allocated with new); false, deleting it, when an equal record is held.
    bool addConnection(FWConnection_* conn);
    size_t size() const { return m_conns.size(); }

    // Orders lists by size; two lists of the same size cannot be compared (unsupported exception).
    bool operator<(const CKestFWConnectionList& other) const;

private:
    struct ByteLess {
        bool operator()(const FWConnection_* a, const FWConnection_* b) const;
    };
    std::set<FWConnection_*, ByteLess> m_conns;
};

// The 40 bytes of a connection key at the writer's cursor (library-internal: the writer is not exported).
void kfwPutConnection(ByteWriter& w, const FWConnection_& conn);
// The text of a connection key: " from <src>:<sport> to <dst>:<dport>" (addresses as IPv4 text).
std::string kfwConnectionToString(const FWConnection_& conn);

}  // namespace KestFirewall
