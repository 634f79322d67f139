// Rule sets and address sets for tests: names, rules of three kinds, rule lists, rule records read
// back through the factory, and member records written by hand.
#pragma once

#include <arpa/inet.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "kestfw/kestfw.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleFactory.h"
#include "model/KestFWRuleList.h"
#include "support/Wire.h"

namespace kestfw_test {

using Texts = std::vector<std::string>;

// Names are copied as given, up to the whole field and without a NUL when they fill it.
template <typename Id>
Id namedId(const std::string& name) {
    Id id{};
    memcpy(id.name, name.data(), std::min(name.size(), sizeof id.name));
    return id;
}
inline FWRuleSetID_t rsId(const std::string& name) { return namedId<FWRuleSetID_t>(name); }
inline FWAddrSetID_t setId(const std::string& name) { return namedId<FWAddrSetID_t>(name); }

// Rule i: TCP to a port with drop, UDP from a host with accept and log, or an Ethertype with reject.
inline KestFirewall::CKestFWRule* sampleRule(unsigned i) {
    KestFirewall::CKestFWRuleBuilder b;
    b.setId(10 + i);
    b.setPosition(int(i));
    b.setType(i % 3 != 2);
    if (i % 3 == 0) {
        b.setProtocol(6, false);
        b.setDestPort(uint16_t(1000 + i % 60000), false);
        b.setAction(FW_RULE_ACTION_DROP, "");
    } else if (i % 3 == 1) {
        b.setProtocol(17, false);
        b.setSource(htonl(0x0A000000u + i), 32);
        b.setAction(FW_RULE_ACTION_ACCEPT, "");
        b.setEnableLog();
    } else {
        b.setProtocol(0x0806, false);
        b.setAction(FW_RULE_ACTION_REJECT, "");
    }
    return b.buildRule();
}

inline KestFirewall::CKestFWRule* jumpRule(unsigned id, const char* target) {
    KestFirewall::CKestFWRuleBuilder b;
    b.setId(id);
    b.setType(true);
    b.setProtocol(6, false);
    b.setAction(new KestFirewall::CKestFWRuleActionJumpto(target));
    return b.buildRule();
}

inline KestFirewall::CKestFWRuleList* listOf(std::initializer_list<KestFirewall::CKestFWRule*> rules) {
    auto* list = new KestFirewall::CKestFWRuleList(false);
    for (KestFirewall::CKestFWRule* r : rules) list->addRule(r);
    return list;
}

inline Texts textsOf(const KestFirewall::CKestFWRuleList& list) {
    Texts out;
    for (const KestFirewall::CKestFWRule* r : list.getRules()) out.push_back(r->toString());
    return out;
}

// Rule records back to back, read through the factory.
inline Texts decodeRules(const Bytes& records) {
    Texts out;
    for (size_t off = 0; off + sizeof(FWRule_) <= records.size(); off += sizeof(FWRule_)) {
        std::unique_ptr<KestFirewall::CKestFWRule> r(
            KestFirewall::CKestFWRuleFactory::newFromMsgBuf(reinterpret_cast<const FWRule_*>(records.data() + off)));
        out.push_back(r ? r->toString() : "<unreadable>");
    }
    return out;
}

// A member record: type code, then the address in network order at offset 4.
inline FWAddress_ addrRecord(uint16_t type, std::initializer_list<uint8_t> address) {
    FWAddress_ r{};
    r.type[0] = uint8_t(type), r.type[1] = uint8_t(type >> 8);
    std::copy(address.begin(), address.end(), r.body);
    return r;
}
inline FWAddress_ ipv4Host(uint8_t last) { return addrRecord(1, {10, 0, 0, last}); }
inline Bytes bytesOf(const std::vector<FWAddress_>& recs) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(recs.data());
    return Bytes(p, p + recs.size() * sizeof(FWAddress_));
}

}  // namespace kestfw_test
