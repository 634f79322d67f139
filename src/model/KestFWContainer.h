// A named, typed set of elements that travels to and from the kernel as one chain of type-length-value
// elements: a 12-byte header (container type, element count, size of the element area), then the
// elements one after another.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "kestfw/kestfw_l7.h"
#include "model/KestFWContainerElement.h"
#include "model/KestFWObject.h"

namespace KestFirewall {

class KESTFW_API CKestFWContainer : public IKestFWObject {
public:
    static constexpr unsigned int kObjectType = 143;
    typedef std::set<std::unique_ptr<CKestFWContainerElement>, CKestFWContainerElementLess> ElementSet;

    // CInvalidContainerNameException for a name of 38 characters or more.
    CKestFWContainer(const std::string& name, FWContainerType type);
    ~CKestFWContainer() override = default;
    CKestFWContainer(const CKestFWContainer&) = delete;
    CKestFWContainer& operator=(const CKestFWContainer&) = delete;

    // Chain header plus every element with its header.
    unsigned int getMsgSize() const override;
    unsigned int getType() const override { return kObjectType; }
    // "{", the elements' texts separated by ", ", " }".
    std::string toString() const override;
    // Writes the chain; `*used` is set to the bytes written.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;

    // Takes the element; one equal to an element already held is dropped (false).
    virtual bool addElement(std::unique_ptr<CKestFWContainerElement> element);
    // Adds the elements of a chain of `size` bytes. All or nothing: on any fault (logged) no element
    // is added and the answer is false.
    virtual bool parseTLVChain(const FWtlvChain* chain, unsigned int size);

    const std::string& getName() const { return m_name; }
    FWContainerType getContainerType() const { return m_type; }
    unsigned int getCount() const { return static_cast<unsigned int>(m_elements.size()); }
    const ElementSet& getElements() const { return m_elements; }

    // Stores one malloc'ed text per element into out[0..count) (the caller frees each); with
    // `withUuid` an identifier-with-text attribute gets its UUID appended in parentheses. Fails
    // (logged, nothing stored) when n is below the element count.
    bool elementsToCharArray(char** out, unsigned int n, bool withUuid) const;

protected:
    std::string m_name;
    FWContainerType m_type;
    ElementSet m_elements;
};

// An empty container; an attribute profile for type 2.
KESTFW_API std::unique_ptr<CKestFWContainer> BuildContainer(const std::string& name, FWContainerType type);
// A container filled from a chain of `size` bytes, or null when the chain does not parse.
KESTFW_API std::unique_ptr<CKestFWContainer> BuildContainer(const std::string& name, FWContainerType type,
                                                            const FWtlvChain* chain, unsigned int size);

}  // namespace KestFirewall
