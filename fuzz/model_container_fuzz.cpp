// Arbitrary bytes into the container and attribute decoders, as a kernel reply or a caller's array
// would bring them: each input yields an object or a clean refusal, never a crash or a read past the
// input. What decodes must encode, and its encoding must decode to the same bytes again.
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/KestFWException.h"
#include "kestfw/kestfw_frame.h"
#include "model/KestFWAttrProfile.h"
#include "model/KestFWContainer.h"
#include "model/KestFWL7Attribute.h"

using namespace KestFirewall;

namespace {

void quietLog(int, const char*, va_list) {}

std::vector<uint8_t> encode(CKestFWContainer& c) {
    std::vector<uint8_t> out(c.getMsgSize());
    unsigned int used = 0;
    if (!c.toMessage(out.data(), static_cast<unsigned int>(out.size()), &used) || used != out.size()) abort();
    return out;
}

void chain(const uint8_t* data, size_t size, FWContainerType type) {
    auto c = BuildContainer("fuzz", type, reinterpret_cast<const FWtlvChain*>(data), static_cast<unsigned int>(size));
    if (!c) return;
    (void)c->toString();
    std::vector<char*> texts(c->getCount() + 1, nullptr);
    if (!c->elementsToCharArray(texts.data(), static_cast<unsigned int>(texts.size()), true)) abort();
    for (char* t : texts) free(t);
    // An encoding of ours must read back and encode the same way.
    const std::vector<uint8_t> once = encode(*c);
    auto again = BuildContainer("fuzz", type, reinterpret_cast<const FWtlvChain*>(once.data()),
                                static_cast<unsigned int>(once.size()));
    if (!again || again->getCount() != c->getCount() || encode(*again) != once) abort();
}

void attribute(const uint8_t* data, size_t size) {
    try {
        CKestFWL7Attribute a(reinterpret_cast<const _FWAttrValue*>(data), static_cast<unsigned int>(size));
        (void)a.toString();
        std::vector<uint8_t> out(a.getTlvLength());
        unsigned int written = 0;
        if (!a.serializeValue(out.data(), static_cast<unsigned int>(out.size()), &written)) abort();
        CKestFWL7Attribute b(reinterpret_cast<const _FWAttrValue*>(out.data()), written);
        if (!(a == b) || a < b || b < a) abort();
    } catch (const CKestFWException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FW_RegisterLogger(quietLog, 6);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    // An exact-size copy, so any read past the input is a read past an allocation.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) memcpy(copy.get(), data, size);
    chain(copy.get(), size, FW_CONTAINER_ATTR_PROFILE);
    chain(copy.get(), size, 1);
    attribute(copy.get(), size);
    // The same bytes as one element of a chain.
    (void)CKestFWContainerElement::buildContainerElement(reinterpret_cast<const FWtlvChainElem*>(copy.get()),
                                                         static_cast<unsigned int>(size));
    return 0;
}
