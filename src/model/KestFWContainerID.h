// A container's name as rules and commands refer to it: at most 37 characters, carried in the same
// 38-byte NUL-terminated field as an address-set name.
#pragma once

#include <string>

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class KESTFW_API CKestFWContainerID {
public:
    // CInvalidContainerNameException for a name of 38 characters or more.
    explicit CKestFWContainerID(const std::string& name);
    explicit CKestFWContainerID(const FWAddrSetID_t& id);

    FWAddrSetID_t getContainerID() const;
    const std::string& getName() const { return m_name; }
    std::string toString() const { return m_name; }

    bool operator==(const CKestFWContainerID& other) const { return m_name == other.m_name; }
    bool operator<(const CKestFWContainerID& other) const { return m_name < other.m_name; }

    // Raises CInvalidContainerNameException unless the name fits a container name field.
    static void checkName(const std::string& name);

private:
    std::string m_name;
};

}  // namespace KestFirewall
