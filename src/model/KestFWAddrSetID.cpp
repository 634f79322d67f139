#include "model/KestFWAddrSetID.h"

#include <cstring>
#include <string>

#include "base/KestFWException.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
constexpr size_t kIdSize = sizeof(FWAddrSetID_t);
static_assert(kIdSize == 38, "address-set name is 38 bytes");
}  // namespace

CKestFWAddrSetID::CKestFWAddrSetID(const char* name, bool negate) : CKestFWAddress(negate), m_id() {
    if (name == nullptr) name = "";
    size_t len = strlen(name);
    if (len + 1 > kIdSize) throw CIDTooLongException(name);
    memcpy(m_id.name, name, len + 1);
}

// An identifier, given or read back, is kept byte for byte, terminated or not: every reader stops at
// the end of the 38-byte field.
CKestFWAddrSetID::CKestFWAddrSetID(FWAddrSetID_t id, bool negate) : CKestFWAddress(negate), m_id(id) {}

CKestFWAddrSetID::CKestFWAddrSetID(const FWAddress_* rec) : m_id() {
    AddressUtil::checkRecord(rec, FW_ADDRESS_ADDRSET);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, m_id.name, kIdSize);
}

std::string CKestFWAddrSetID::getName() const { return std::string(m_id.name, strnlen(m_id.name, kIdSize)); }

std::string CKestFWAddrSetID::toString() const { return std::string(notPrefix()) + "addrset " + getName(); }

bool CKestFWAddrSetID::getAddress(FWAddrSetID_t* id) const {
    if (id != nullptr) *id = m_id;
    return m_negate;
}

void CKestFWAddrSetID::writeBody(ByteWriter& w) const { w.bytes(m_id.name, kIdSize); }

bool CKestFWAddrSetID::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddrSetID&>(other);
    return memcmp(m_id.name, o.m_id.name, kIdSize) < 0;
}

}  // namespace KestFirewall
