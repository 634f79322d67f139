// The distinct rule ids a query asks for, kept in ascending order; serialised as u32 values.
#pragma once

#include <set>

#include "model/KestFWObject.h"

namespace KestFirewall {

class KESTFW_API CKestFWIDList : public IKestFWObject {
public:
    static constexpr unsigned int kObjectType = 139;

    CKestFWIDList() = default;
    ~CKestFWIDList() override = default;

    // Inserts the id; one already present is ignored.
    bool addID(unsigned int id);

    unsigned int getMsgSize() const override;
    unsigned int getType() const override { return kObjectType; }
    // "{1,2,3}".
    std::string toString() const override;
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    // Id lists cannot be ordered among themselves: raises CUnsupportedException.
    bool operator<(const CKestFWIDList& other) const;

    size_t size() const { return m_ids.size(); }
    const std::set<unsigned int>& getIDs() const { return m_ids; }

private:
    std::set<unsigned int> m_ids;
};

}  // namespace KestFirewall
