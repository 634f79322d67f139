// An attribute profile: a container of type 2 whose elements are L7 attributes, also grouped by key
// so rules can match "any of these values" per key.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "model/KestFWContainer.h"
#include "model/KestFWL7Attribute.h"

namespace KestFirewall {

class KESTFW_API CKestFWAttrProfile : public CKestFWContainer {
public:
    // Attributes of one key, in container order; the container owns them.
    struct AttrLess {
        bool operator()(const CKestFWL7Attribute* a, const CKestFWL7Attribute* b) const;
    };
    typedef std::set<const CKestFWL7Attribute*, AttrLess> AttrGroup;

    explicit CKestFWAttrProfile(const std::string& name);
    ~CKestFWAttrProfile() override = default;

    // The profile name, " with {", per key "[ " the attributes separated by ", " "]", and "}".
    std::string toString() const override;
    // Refuses (logged, no change) an element that is not an L7 attribute or whose key is unknown.
    bool addElement(std::unique_ptr<CKestFWContainerElement> element) override;
    bool addAttribute(std::unique_ptr<CKestFWL7Attribute> attribute);

    const std::map<FWAttrKeyID, AttrGroup>& getGroups() const { return m_groups; }

private:
    std::map<FWAttrKeyID, AttrGroup> m_groups;
};

}  // namespace KestFirewall
