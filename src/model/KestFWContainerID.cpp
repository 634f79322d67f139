#include "model/KestFWContainerID.h"

#include <cstring>

#include "base/KestFWException.h"
#include "kestfw/kestfw_l7.h"

namespace KestFirewall {

void CKestFWContainerID::checkName(const std::string& name) {
    if (name.size() > FW_CONTAINER_NAME_MAX) {
        const std::string reason =
            "size: " + std::to_string(name.size()) + "greater than max size: " + std::to_string(FW_CONTAINER_NAME_MAX);
        throw CInvalidContainerNameException(name, reason.c_str());
    }
}

CKestFWContainerID::CKestFWContainerID(const std::string& name) : m_name(name) { checkName(name); }

// A name field from a caller need not be terminated; it is read up to its NUL or its full width.
CKestFWContainerID::CKestFWContainerID(const FWAddrSetID_t& id) : m_name(id.name, strnlen(id.name, sizeof id.name)) {
    checkName(m_name);
}

FWAddrSetID_t CKestFWContainerID::getContainerID() const {
    FWAddrSetID_t id;
    memset(&id, 0, sizeof id);
    memcpy(id.name, m_name.data(), m_name.size());
    return id;
}

}  // namespace KestFirewall
