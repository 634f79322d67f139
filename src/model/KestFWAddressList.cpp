#include "model/KestFWAddressList.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressIPv4CIDR.h"

namespace KestFirewall {

CKestFWAddressList::CKestFWAddressList(bool borrowed) : CKestFWAddress(false), m_id(), m_borrowed(borrowed) {}

CKestFWAddressList::CKestFWAddressList(FWAddrSetID_t id, bool negate, bool borrowed)
    : CKestFWAddress(negate), m_id(id), m_borrowed(borrowed) {}

CKestFWAddressList::~CKestFWAddressList() {
    // Created members sit among the members too, so an owning list releases each exactly once.
    const std::vector<CKestFWAddress*>& owned = m_borrowed ? m_created : m_addresses;
    for (CKestFWAddress* a : owned) delete a;
}

bool CKestFWAddressList::addAddress(const CKestFWAddress* address) {
    if (address == nullptr) {
        KFW_WARN("cannot add a null address\n");
        return false;
    }
    unsigned type = address->getType();
    switch (type) {
        case FW_ADDRESS_IPV6:
        case FW_ADDRESS_IPV6_RANGE:
        case FW_ADDRESS_IPV6_CIDR:
            m_hasIPv6 = true;
            break;
        case FW_ADDRESS_ANY:
        case FW_ADDRESS_IPV4:
        case FW_ADDRESS_IPV4_RANGE:
        case FW_ADDRESS_IPV4_CIDR:
        case FW_ADDRESS_ETHER:
        case FW_ADDRESS_ETHER_RANGE:
        case FW_ADDRESS_ETHER_MASK:
        case FW_ADDRESS_ATTR_INT:
        case FW_ADDRESS_ATTR_STRING:
        case FW_ADDRESS_ATTR_SID:
            break;
        default:
            KFW_WARN("cannot add address of unsupported type %u\n", type);
            return false;
    }
    CKestFWAddress* member = const_cast<CKestFWAddress*>(address);
    if (type == FW_ADDRESS_IPV4_CIDR) {
        unsigned char prefix = 0;
        dynamic_cast<const CKestFWAddressIPv4CIDR&>(*address).getAddress(nullptr, &prefix);
        if (prefix == 0) {
            // The kernel cannot hold a 0-prefix IPv4 network; the two halves cover the same space.
            KFW_WARN("handling 0 prefix ip cidr\n");
            in_addr low{}, high{};
            low.s_addr = htonl(0x00000000u);
            high.s_addr = htonl(0x80000000u);
            std::unique_ptr<CKestFWAddress> a(new CKestFWAddressIPv4CIDR(low, 1, false));
            std::unique_ptr<CKestFWAddress> b(new CKestFWAddressIPv4CIDR(high, 1, false));
            m_addresses.reserve(m_addresses.size() + 2);
            m_created.reserve(m_created.size() + 2);
            m_addresses.push_back(a.get());
            m_addresses.push_back(b.get());
            m_created.push_back(a.release());
            m_created.push_back(b.release());
            // The given network was handed over but is not kept.
            if (!m_borrowed) delete member;
            return true;
        }
    }
    m_addresses.push_back(member);
    return true;
}

unsigned int CKestFWAddressList::getMsgSize() const {
    size_t n = m_addresses.size();
    if (n > UINT32_MAX / FW_ADDRESS_RECORD_SIZE)
        throw CIntegerOverflowException("address count overflows", static_cast<unsigned>(n));
    return static_cast<unsigned int>(n * FW_ADDRESS_RECORD_SIZE);
}

bool CKestFWAddressList::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (getMsgSize() > size) return false;
    unsigned int total = 0;
    if (used != nullptr) *used = 0;
    for (CKestFWAddress* a : m_addresses) {
        unsigned int n = 0;
        if (!a->toMessage(static_cast<const uint8_t*>(buf) + total, size - total, &n)) return false;
        total += n;
        if (used != nullptr) *used = total;
    }
    return true;
}

std::string CKestFWAddressList::listText() const {
    std::string s = "{";
    s.append(m_id.name, strnlen(m_id.name, sizeof m_id.name));
    for (size_t i = 0; i < m_addresses.size(); ++i) {
        if (i != 0) s += ", ";
        s += m_addresses[i]->toString();
    }
    return s + "}";
}

std::string CKestFWAddressList::toString() const { return listText(); }

bool CKestFWAddressList::operator<(const CKestFWAddress& other) const {
    if (getType() != other.getType()) return getType() < other.getType();
    throw CInvalidAddressException("compare address two sets");
}

bool CKestFWAddressList::lessSameType(const CKestFWAddress&) const {
    throw CInvalidAddressException("compare address two sets");
}

void CKestFWAddressList::fillFromRecords(const FWAddress_* records, unsigned int count,
                                         bool (*accepts)(unsigned int type)) {
    if (count == 0) return;
    if (records == nullptr) throw CInvalidAddressException("null address records");
    if (count > UINT32_MAX / FW_ADDRESS_RECORD_SIZE) throw CIntegerOverflowException("address count overflows", count);
    const uint8_t* at = reinterpret_cast<const uint8_t*>(records);
    unsigned int remaining = count * FW_ADDRESS_RECORD_SIZE;
    for (unsigned int i = 0; i < count; ++i) {
        unsigned int used = 0;
        std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromMsgBuf(at, remaining, &used));
        if (!a || used == 0 || used > remaining) throw CInvalidAddressException("truncated address record", i);
        if (!accepts(a->getType())) throw CInvalidAddressException(a->toString().c_str());
        // Room first, so a failed append cannot lose the member.
        m_addresses.push_back(nullptr);
        m_addresses.back() = a.release();
        at += used;
        remaining -= used;
    }
}

}  // namespace KestFirewall
