#include "model/KestFWContainer.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/KestFWLog.h"
#include "model/KestFWAttrProfile.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWL7Attribute.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWContainer::CKestFWContainer(const std::string& name, FWContainerType type) : m_name(name), m_type(type) {
    CKestFWContainerID::checkName(name);
}

unsigned int CKestFWContainer::getMsgSize() const {
    uint64_t total = FW_TLV_CHAIN_HEADER_SIZE;
    for (const auto& e : m_elements) total += e->getMsgSize();
    // A chain this large cannot be described by its 32-bit size field; no buffer will be big enough.
    return total > UINT32_MAX ? UINT32_MAX : static_cast<unsigned int>(total);
}

std::string CKestFWContainer::toString() const {
    std::string out = "{";
    bool first = true;
    for (const auto& e : m_elements) {
        if (!first) out += ", ";
        out += e->toString();
        first = false;
    }
    return out + " }";
}

bool CKestFWContainer::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    const unsigned int need = getMsgSize();
    if (buf == nullptr || need > size) {
        KFW_ERROR("size of message buffer %u is less than required size %u\n", size, need);
        return false;
    }
    // The message layer hands its memory over as const void*; the chain is written in place.
    uint8_t* out = static_cast<uint8_t*>(const_cast<void*>(buf));
    ByteWriter w(out, FW_TLV_CHAIN_HEADER_SIZE);
    w.u32(m_type);
    w.u32(getCount());
    w.u32(need - FW_TLV_CHAIN_HEADER_SIZE);
    unsigned int written = FW_TLV_CHAIN_HEADER_SIZE;
    for (const auto& e : m_elements) {
        if (!e->toMessage(out + written, need - written, &written)) {
            KFW_ERROR("failed to serialize : %s\n", e->toString().c_str());
            return false;
        }
    }
    if (used) *used = written;
    return true;
}

bool CKestFWContainer::addElement(std::unique_ptr<CKestFWContainerElement> element) {
    if (!element) return false;
    return m_elements.insert(std::move(element)).second;
}

bool CKestFWContainer::parseTLVChain(const FWtlvChain* chain, unsigned int size) {
    if (chain == nullptr) return false;
    if (size < FW_TLV_CHAIN_HEADER_SIZE) {
        KFW_ERROR("size of tlv chain message less than minimum size : %lu\n",
                  static_cast<unsigned long>(FW_TLV_CHAIN_HEADER_SIZE));
        return false;
    }
    ByteReader r(chain, size);
    r.u32();  // container type: the caller knows what it asked for
    const uint32_t count = r.u32();
    const uint32_t area = r.u32();
    if (area > size) {
        KFW_ERROR("size of tlv chain %u is greater than the buffer size %u\n", area, size);
        return false;
    }
    const uint8_t* base = static_cast<const uint8_t*>(static_cast<const void*>(chain));
    std::vector<std::unique_ptr<CKestFWContainerElement>> parsed;
    size_t offset = FW_TLV_CHAIN_HEADER_SIZE;
    unsigned int room = size - FW_TLV_CHAIN_HEADER_SIZE;
    // Every element takes at least its header, so a count larger than the buffer can hold fails at
    // the first element that is not there.
    for (uint32_t i = 0; i < count; ++i) {
        auto element = CKestFWContainerElement::buildContainerElement(
            reinterpret_cast<const FWtlvChainElem*>(base + offset), room);
        if (!element) {
            KFW_ERROR("failed to create element at index %u\n", i);
            return false;
        }
        // The room shrinks by the whole element, header included (the element's own length field,
        // already checked against the room), so the next element is never read past the buffer.
        ByteReader header(base + offset, room);
        header.skip(4);
        const unsigned int step = header.u32() + FW_TLV_ELEM_HEADER_SIZE;
        room -= step;
        offset += step;
        parsed.push_back(std::move(element));
    }
    for (auto& e : parsed) addElement(std::move(e));
    return true;
}

bool CKestFWContainer::elementsToCharArray(char** out, unsigned int n, bool withUuid) const {
    if (out == nullptr || n < getCount()) {
        KFW_ERROR("number of elements mismatch %u != %lu\n", n, static_cast<unsigned long>(getCount()));
        return false;
    }
    unsigned int i = 0;
    for (const auto& e : m_elements) {
        std::string text = e->toString();
        if (withUuid) {
            const CKestFWL7Attribute* a = dynamic_cast<const CKestFWL7Attribute*>(e.get());
            if (a != nullptr && a->getAttrType() == FW_ATTR_KVT_UUID_STR) text += " (" + a->getUUIDString() + ")";
        }
        out[i] = strdup(text.c_str());
        if (out[i] == nullptr) {
            while (i > 0) {
                --i;
                free(out[i]);
                out[i] = nullptr;
            }
            KFW_ERROR("out of memory\n");
            return false;
        }
        ++i;
    }
    return true;
}

std::unique_ptr<CKestFWContainer> BuildContainer(const std::string& name, FWContainerType type) {
    if (type == FW_CONTAINER_ATTR_PROFILE) return std::unique_ptr<CKestFWContainer>(new CKestFWAttrProfile(name));
    return std::unique_ptr<CKestFWContainer>(new CKestFWContainer(name, type));
}

std::unique_ptr<CKestFWContainer> BuildContainer(const std::string& name, FWContainerType type, const FWtlvChain* chain,
                                                 unsigned int size) {
    std::unique_ptr<CKestFWContainer> c = BuildContainer(name, type);
    if (!c->parseTLVChain(chain, size)) return nullptr;
    return c;
}

}  // namespace KestFirewall
