#include "model/KestFWRuleActionSNAT.h"

#include "model/KestFWAddressFactory.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWRuleActionSNAT::CKestFWRuleActionSNAT(const FWAddress_* address)
    : CKestFWRuleActionSNAT(address ? CKestFWAddressFactory::newFromMsgBuf(address) : nullptr) {}

CKestFWRuleActionSNAT::CKestFWRuleActionSNAT(CKestFWAddress* address) : m_address(address) { checkNatAddress(address); }

CKestFWRuleActionSNAT::~CKestFWRuleActionSNAT() { delete m_address; }

CKestFWAddress* CKestFWRuleActionSNAT::replaceIPRangeAddress(const char* setName) {
    return swapRangeForSet(m_address, setName);
}

void CKestFWRuleActionSNAT::writeOwnFields(ByteWriter& w) const {
    uint8_t rec[FW_ADDRESS_RECORD_SIZE] = {};
    unsigned int used = 0;
    m_address->toMessage(rec, sizeof rec, &used);
    w.seek(0);
    w.bytes(rec, sizeof rec);
}

}  // namespace KestFirewall
