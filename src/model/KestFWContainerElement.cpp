#include "model/KestFWContainerElement.h"

#include <vector>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWL7Attribute.h"
#include "util/ByteIO.h"

namespace KestFirewall {

bool CKestFWContainerElement::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < FW_TLV_ELEM_HEADER_SIZE) return false;
    // The message layer hands its memory over as const void*; the element is written in place.
    uint8_t* out = static_cast<uint8_t*>(const_cast<void*>(buf));
    const unsigned int length = getTlvLength();
    ByteWriter w(out, FW_TLV_ELEM_HEADER_SIZE);
    w.u16(1);
    w.u16(static_cast<uint16_t>(getTlvType()));
    w.u32(length);
    unsigned int written = 0;
    if (!serializeValue(out + FW_TLV_ELEM_HEADER_SIZE, size - FW_TLV_ELEM_HEADER_SIZE, &written)) {
        KFW_ERROR("failed to serializeValue %s\n", toString().c_str());
        return false;
    }
    if (used) *used += FW_TLV_ELEM_HEADER_SIZE + written;
    return true;
}

std::unique_ptr<CKestFWContainerElement> CKestFWContainerElement::buildContainerElement(const FWtlvChainElem* element,
                                                                                        unsigned int room) {
    if (element == nullptr || room < FW_TLV_ELEM_HEADER_SIZE) return nullptr;
    ByteReader r(element, room);
    r.u16();  // always 1; the kernel does not vary it and nothing depends on it
    const uint16_t kind = r.u16();
    const uint32_t length = r.u32();
    if (kind != FW_CONT_ELEM_L7_ATTRIBUTE) {
        KFW_ERROR("unknown container element %u\n", kind);
        return nullptr;
    }
    const uint8_t* value = r.view(length);
    if (value == nullptr) {
        KFW_ERROR("container element length %u exceeds the %u bytes left\n", length, room - FW_TLV_ELEM_HEADER_SIZE);
        return nullptr;
    }
    try {
        return std::unique_ptr<CKestFWContainerElement>(
            new CKestFWL7Attribute(reinterpret_cast<const _FWAttrValue*>(value), length));
    } catch (const CKestFWException& e) {
        KFW_ERROR("failed to build container element: %s\n", e.what());
    } catch (const std::exception& e) {
        KFW_ERROR("failed to build container element: %s\n", e.what());
    }
    return nullptr;
}

namespace {
std::vector<uint8_t> encodeValue(const CKestFWContainerElement& e) {
    std::vector<uint8_t> bytes(e.getTlvLength());
    unsigned int written = 0;
    if (bytes.empty() || !e.serializeValue(bytes.data(), static_cast<unsigned int>(bytes.size()), &written))
        bytes.clear();
    else
        bytes.resize(written);
    return bytes;
}
}  // namespace

bool CKestFWContainerElementLess::operator()(const CKestFWContainerElement& a, const CKestFWContainerElement& b) const {
    if (a < b) return true;
    if (b < a) return false;
    if (a.getTlvType() != b.getTlvType()) return a.getTlvType() < b.getTlvType();
    return encodeValue(a) < encodeValue(b);
}

}  // namespace KestFirewall
