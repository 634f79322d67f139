// One element of a container's chain: an 8-byte header (1, element kind, value length) and the value.
// The concrete element (today only the L7 attribute) supplies its kind, its value and its ordering.
#pragma once

#include <memory>

#include "kestfw/kestfw_l7.h"
#include "model/KestFWObject.h"

namespace KestFirewall {

class KESTFW_API CKestFWContainerElement : public IKestFWObject {
public:
    static constexpr unsigned int kObjectType = 144;

    explicit CKestFWContainerElement(FWContElementType kind) : m_kind(kind) {}
    ~CKestFWContainerElement() override = default;

    // Element header plus value.
    unsigned int getMsgSize() const override { return getTlvLength() + FW_TLV_ELEM_HEADER_SIZE; }
    unsigned int getType() const override { return kObjectType; }
    // Writes the element header and the value. `*used` GROWS by the bytes written, so a container
    // can pass its running count through a chain of elements.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;

    virtual FWContElementType getTlvType() const = 0;
    virtual unsigned int getTlvLength() const = 0;
    // Writes the value alone (no element header) into at most `size` bytes.
    virtual bool serializeValue(void* buf, unsigned int size, unsigned int* written) const = 0;
    virtual bool operator==(const CKestFWContainerElement& other) const = 0;
    virtual bool operator<(const CKestFWContainerElement& other) const = 0;
    virtual std::unique_ptr<CKestFWContainerElement> clone() const = 0;

    FWContElementType getElementKind() const { return m_kind; }

    // Builds the element found at `element`, reading at most `room` bytes: null for a null element,
    // less than a header of room, a value longer than the room, an unknown kind or a value the
    // element refuses.
    static std::unique_ptr<CKestFWContainerElement> buildContainerElement(const FWtlvChainElem* element,
                                                                          unsigned int room);

private:
    FWContElementType m_kind;
};

// Order of elements inside a container: the elements' own operator<, and among elements that operator<
// cannot tell apart, their encodings byte by byte, so that only elements that encode the same are
// taken as duplicates.
struct KESTFW_API CKestFWContainerElementLess {
    bool operator()(const CKestFWContainerElement& a, const CKestFWContainerElement& b) const;
    bool operator()(const std::unique_ptr<CKestFWContainerElement>& a,
                    const std::unique_ptr<CKestFWContainerElement>& b) const {
        return (*this)(*a, *b);
    }
};

}  // namespace KestFirewall
