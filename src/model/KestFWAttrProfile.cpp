#include "model/KestFWAttrProfile.h"

#include "base/KestFWLog.h"
#include "model/KestFWAttributeUtils.h"

namespace KestFirewall {

bool CKestFWAttrProfile::AttrLess::operator()(const CKestFWL7Attribute* a, const CKestFWL7Attribute* b) const {
    // The container's own order, so a group lists its attributes as the chain carries them.
    static const CKestFWContainerElementLess less;
    return less(*a, *b);
}

CKestFWAttrProfile::CKestFWAttrProfile(const std::string& name) : CKestFWContainer(name, FW_CONTAINER_ATTR_PROFILE) {}

bool CKestFWAttrProfile::addElement(std::unique_ptr<CKestFWContainerElement> element) {
    const CKestFWL7Attribute* attr = dynamic_cast<const CKestFWL7Attribute*>(element.get());
    if (attr == nullptr) {
        KFW_ERROR("element is not an attribute\n");
        return false;
    }
    if (dpID2attrkey(attr->getKeyID()) == nullptr) {
        KFW_ERROR("failed to add element. Element has invalid key\n");
        return false;
    }
    if (!CKestFWContainer::addElement(std::move(element))) return false;
    m_groups[attr->getKeyID()].insert(attr);
    return true;
}

bool CKestFWAttrProfile::addAttribute(std::unique_ptr<CKestFWL7Attribute> attribute) {
    return addElement(std::unique_ptr<CKestFWContainerElement>(attribute.release()));
}

std::string CKestFWAttrProfile::toString() const {
    std::string out = m_name + " with {";
    for (const auto& group : m_groups) {
        out += "[ ";
        bool first = true;
        for (const CKestFWL7Attribute* a : group.second) {
            if (!first) out += ", ";
            out += a->toString();
            first = false;
        }
        out += "]";
    }
    return out + "}";
}

}  // namespace KestFirewall
