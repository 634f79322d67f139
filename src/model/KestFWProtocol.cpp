#include "model/KestFWProtocol.h"

#include <netdb.h>

#include <array>
#include <mutex>
#include <unordered_map>

#include "base/KestFWException.h"

namespace KestFirewall {

CKestFWProtocol::CKestFWProtocol(bool isIP) : m_value(0), m_isIP(isIP), m_negate(false), m_defined(false) {}

CKestFWProtocol::CKestFWProtocol(bool isIP, unsigned short value, bool negate)
    : m_value(value), m_isIP(isIP), m_negate(negate), m_defined(true) {}

CKestFWProtocol::CKestFWProtocol(bool defined, unsigned short value, bool isIP, bool negate)
    : m_value(value), m_isIP(isIP), m_negate(negate), m_defined(defined) {
    if (!defined && negate) throw CUnsupportedException("protocol is not defined but not protocol flag is set");
}

void CKestFWProtocol::setProtocol(unsigned short value, bool negate) {
    m_value = value;
    m_negate = negate;
    m_defined = true;
}

bool CKestFWProtocol::toMessage(const void*, unsigned int, unsigned int* used) {
    if (used) *used = 0;
    return true;
}

namespace {

std::string lookUpProtocolName(unsigned int number) {
    // The reentrant lookup: reports may be printed from several threads.
    struct protoent entry;
    struct protoent* found = nullptr;
    char scratch[1024];
    if (getprotobynumber_r(static_cast<int>(number), &entry, scratch, sizeof scratch, &found) == 0 &&
        found != nullptr && found->p_name != nullptr && found->p_name[0] != '\0')
        return found->p_name;
    return std::to_string(number);
}

}  // namespace

std::string CKestFWProtocol::protocolName(unsigned int number) {
    // Rendering a rule set names the same few protocols over and over, and each lookup re-reads the
    // protocol database: every IP protocol number is named once, on first use.
    static const std::array<std::string, 256> names = [] {
        std::array<std::string, 256> all;
        for (unsigned int n = 0; n < all.size(); ++n) all[n] = lookUpProtocolName(n);
        return all;
    }();
    if (number < names.size()) return names[number];
    return lookUpProtocolName(number);
}

bool CKestFWProtocol::protocolNumber(const char* name, unsigned short* number) {
    if (name == nullptr || number == nullptr) return false;
    // A policy names "tcp" or "udp" in nearly every rule; each name found is kept, so the protocol
    // database is read once per name rather than once per rule.
    static std::mutex mutex;
    static std::unordered_map<std::string, unsigned short> known;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = known.find(name);
        if (it != known.end()) {
            *number = it->second;
            return true;
        }
    }
    struct protoent entry;
    struct protoent* found = nullptr;
    char scratch[1024];
    if (getprotobyname_r(name, &entry, scratch, sizeof scratch, &found) != 0 || found == nullptr) return false;
    if (found->p_proto < 0 || found->p_proto > 255) return false;
    *number = static_cast<unsigned short>(found->p_proto);
    std::lock_guard<std::mutex> lock(mutex);
    known.emplace(name, *number);
    return true;
}

std::string CKestFWProtocol::text(const char* ipWord, const char* etherWord) const {
    std::string s = m_negate ? "not " : "";
    s += m_isIP ? ipWord : etherWord;
    if (!m_defined) return s + " any";
    if (m_isIP) return s + " " + protocolName(m_value);
    return s + kestfwFormat(" 0x%04x", m_value);
}

std::string CKestFWProtocol::toString() const { return text("protocol", "ethertype"); }

std::string CKestFWProtocol::toString2() const { return text("Protocol :", "Ethertype :"); }

}  // namespace KestFirewall
