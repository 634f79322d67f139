// Rendering of rule and address records as configuration text, for reports and the host's tools.
#include <cstring>
#include <memory>
#include <string>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "kestfw/kestfw_rule.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWRuleFactory.h"

using namespace KestFirewall;

namespace {

// Appends one record's text when it fits with the terminating NUL into `size` bytes.
template <typename TooSmall>
void append(std::string& all, const std::string& text, unsigned int size) {
    if (static_cast<size_t>(size) - all.size() < text.size() + 1) throw TooSmall(size);
    all += text;
}

// A record whose fields reach past their slot is a bad input record, not a short output: 9 belongs to
// the output alone, so the caller can tell a record it must not resend from room it must enlarge.
template <typename Decode>
auto decodeRecord(unsigned int index, Decode&& decode) -> decltype(decode()) {
    try {
        return decode();
    } catch (const CInsufficientMsgBufException& e) {
        throw CInvalidInputDataException(("record #" + std::to_string(index) + " is malformed: " + e.what()).c_str());
    }
}

}  // namespace

extern "C" {

FWStatus_t FW_GetRuleString(const FWRule_* rules, unsigned int count, char* out, unsigned int outSize, int detailed) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(out != nullptr && outSize != 0 && count != 0 && rules != nullptr);
    // The caller sees either every text or an empty one.
    out[0] = '\0';
    KFW_API_RUN([&]() -> FWStatus_t {
        std::string all;
        for (unsigned int i = 0; i < count; ++i) {
            std::unique_ptr<CKestFWRule> rule(
                decodeRecord(i, [&] { return CKestFWRuleFactory::newFromMsgBuf(&rules[i]); }));
            if (!rule) throw CUnsupportedException("rule record does not describe a rule: #", i);
            append<CBufferTooSmallException>(all, detailed ? rule->toString2() : rule->toString(), outSize);
        }
        memcpy(out, all.c_str(), all.size() + 1);
        return 0;
    });
}

FWStatus_t FW_GetAddressString(const FWAddress_* addresses, unsigned int count, char* out, unsigned int outSize) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(out != nullptr && outSize != 0 && count != 0 && addresses != nullptr);
    out[0] = '\0';
    KFW_API_RUN([&]() -> FWStatus_t {
        std::string all;
        for (unsigned int i = 0; i < count; ++i) {
            unsigned int used = 0;
            std::unique_ptr<CKestFWAddress> address(decodeRecord(
                i, [&] { return CKestFWAddressFactory::newFromMsgBuf(&addresses[i], FW_ADDRESS_RECORD_SIZE, &used); }));
            append<COutOfMemoryException>(all, address->toString(), outSize);
        }
        memcpy(out, all.c_str(), all.size() + 1);
        return 0;
    });
}

}  // extern "C"
