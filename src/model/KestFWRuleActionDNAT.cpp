#include "model/KestFWRuleActionDNAT.h"

#include "base/KestFWException.h"
#include "model/KestFWAddressFactory.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
enum : unsigned int { kOffPort = 144, kOffPortEnd = 146, kOffNatFlags = 282, kOffPoolParam = 284 };

void checkPortsAndPool(unsigned int pool, bool hasRange, unsigned short port, unsigned short portEnd) {
    if (hasRange && port > portEnd) throw CUnsupportedException("reversed port range");
    if (pool >= CKestFWRuleActionDNAT::kPoolOptLimit) throw CUnsupportedException("invalid pool option: ", pool);
}
}  // namespace

// The record forms check their ports before building the address, so a refusal leaks nothing.
CKestFWAddress* CKestFWRuleActionDNAT::build(const FWAddress_* address, unsigned int pool, bool hasRange,
                                             unsigned short port, unsigned short portEnd) {
    checkPortsAndPool(pool, hasRange, port, portEnd);
    return address ? CKestFWAddressFactory::newFromMsgBuf(address) : nullptr;
}

CKestFWRuleActionDNAT::CKestFWRuleActionDNAT(const FWAddress_* address, unsigned short pool, unsigned short port,
                                             unsigned short portEnd, unsigned short param) {
    init(build(address, pool, true, port, portEnd), pool, true, port, true, portEnd, param);
}

CKestFWRuleActionDNAT::CKestFWRuleActionDNAT(const FWAddress_* address, unsigned short pool, unsigned short port,
                                             unsigned short param) {
    init(build(address, pool, false, port, 0), pool, true, port, false, 0, param);
}

CKestFWRuleActionDNAT::CKestFWRuleActionDNAT(const FWAddress_* address, unsigned short pool, unsigned short param) {
    init(build(address, pool, false, 0, 0), pool, false, 0, false, 0, param);
}

CKestFWRuleActionDNAT::CKestFWRuleActionDNAT(CKestFWAddress* address, FWRulePoolOpt_t pool, unsigned short port,
                                             unsigned short portEnd, unsigned short param) {
    init(address, pool, true, port, true, portEnd, param);
}

CKestFWRuleActionDNAT::CKestFWRuleActionDNAT(CKestFWAddress* address, FWRulePoolOpt_t pool, unsigned short port,
                                             unsigned short param) {
    init(address, pool, true, port, false, 0, param);
}

CKestFWRuleActionDNAT::CKestFWRuleActionDNAT(CKestFWAddress* address, FWRulePoolOpt_t pool, unsigned short param) {
    init(address, pool, false, 0, false, 0, param);
}

CKestFWRuleActionDNAT::~CKestFWRuleActionDNAT() { delete m_address; }

void CKestFWRuleActionDNAT::init(CKestFWAddress* address, unsigned int pool, bool hasPort, unsigned short port,
                                 bool hasRange, unsigned short portEnd, unsigned short param) {
    try {
        checkPortsAndPool(pool, hasRange, port, portEnd);
    } catch (...) {
        delete address;
        throw;
    }
    checkNatAddress(address);
    m_address = address;
    m_hasPort = hasPort;
    m_port = port;
    m_hasRange = hasRange;
    m_portEnd = portEnd;
    m_pool = pool;
    m_param = param;
}

CKestFWAddress* CKestFWRuleActionDNAT::replaceIPRangeAddress(const char* setName) {
    return swapRangeForSet(m_address, setName);
}

void CKestFWRuleActionDNAT::writeOwnFields(ByteWriter& w) const {
    uint8_t rec[FW_ADDRESS_RECORD_SIZE] = {};
    unsigned int used = 0;
    m_address->toMessage(rec, sizeof rec, &used);
    w.seek(0);
    w.bytes(rec, sizeof rec);
    if (m_hasPort) {
        w.seek(kOffPort);
        w.be16(m_port);
        if (m_hasRange) w.be16(m_portEnd);
    }
    const unsigned int flags = (m_hasPort ? FW_ACTION_NAT_HAS_PORT : 0u) |
                               (m_hasPort && m_hasRange ? FW_ACTION_NAT_HAS_RANGE : 0u) |
                               ((m_pool << FW_ACTION_NAT_POOLOPT_SHIFT) & FW_ACTION_NAT_POOLOPT_MASK);
    w.putAt<uint8_t>(kOffNatFlags, static_cast<uint8_t>(flags));
    w.putAt<uint16_t>(kOffPoolParam, m_param);
}

std::string CKestFWRuleActionDNAT::ownText() const {
    std::string s = " " + m_address->toString();
    if (m_hasPort) {
        s += m_hasRange ? kestfwFormat(" port %d-%d", m_port, m_portEnd) : kestfwFormat(" port %d", m_port);
    }
    if (m_pool != FW_RULE_POOLOPT_NONE) {
        if (m_pool < FW_RULE_POOLOPT_COUNT) {
            s += std::string(" poolopt ") + poolOptName(m_pool);
            if (m_param != 0) s += kestfwFormat(" %d", m_param);
        } else {
            s += " unknown";
        }
    }
    return s;
}

}  // namespace KestFirewall
