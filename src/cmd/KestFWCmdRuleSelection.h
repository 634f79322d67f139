// The selection the rule and rule-statistics queries share: a rule set, a rule type, and either a page
// of rules by position (count, start) or the rules with the ids of an id list. Both bodies begin with
// the same request head; the id list follows the head, and the kernel puts its records behind the room
// the request reserved for the list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/KestFWException.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "cmd/KestFWCmdRuleSetBody.h"
#include "model/KestFWIDList.h"
#include "util/ByteIO.h"

namespace KestFirewall {

struct RuleSelection {
    enum : unsigned int {
        kOffCount = 64,
        kOffStart = 68,
        kOffByPosition = 72,
        kOffType = 74,
        kOffReturned = 76,
    };

    FWRuleSetID_t id;
    std::unique_ptr<CKestFWIDList> ids;  // absent for retrieval by position
    uint32_t count = 0;
    uint32_t start = 0;
    uint32_t ruleType = 0;

    // By the ids in `given` (count of them; duplicates collapse in the list, the count stays).
    RuleSelection(FWRuleSetID_t set, unsigned int n, const unsigned int* given, unsigned int type, unsigned int perRule)
        : id(set), ids(new CKestFWIDList), count(n), ruleType(type) {
        check(perRule);
        for (unsigned int i = 0; given != nullptr && i < n; ++i) ids->addID(given[i]);
    }
    // By the ids of `list`, which the selection takes over (an absent list is an empty one).
    RuleSelection(FWRuleSetID_t set, CKestFWIDList* list, unsigned int type, unsigned int perRule)
        : id(set), ids(list != nullptr ? list : new CKestFWIDList), ruleType(type) {
        count = uint32_t(ids->size());
        check(perRule);
    }
    // By position.
    RuleSelection(FWRuleSetID_t set, unsigned int n, unsigned int first, unsigned int type, unsigned int perRule)
        : id(set), count(n), start(first), ruleType(type) {
        check(perRule);
    }

    void check(unsigned int perRule) const {
        QueryBody::checkRuleType(ruleType);
        if (!QueryBody::productFits(count, perRule))
            throw CIntegerOverflowException("integer overflow for the number of rule id", count);
    }

    // "describe <kind word>[snat |dnat ]<noun> of ruleset <name>", the port clause, then the id list or
    // the start.
    std::string text(const char* noun, const std::string& portClause) const {
        std::string s = "describe ";
        if (ruleType == 1) s += "snat ";
        if (ruleType == 2) s += "dnat ";
        s += std::string(noun) + " of ruleset " + ruleSetName(id) + portClause;
        if (ids) return s + " with " + ids->toString();
        return s + " from " + std::to_string(start);
    }

    // The request: `head` bytes zero-filled, the fields, and the id list right behind the head.
    bool write(const void* body, unsigned int avail, unsigned int size, unsigned int head, unsigned int* written) {
        if (body == nullptr || avail < size) return false;
        ByteWriter w(const_cast<void*>(body), size);
        // The id room too: an array with repeated ids lists fewer ids than its count reserves.
        w.zeros(head + (ids ? 4 * size_t(count) : 0));
        putRuleSetId(w, 0, id);
        w.putAt<uint32_t>(kOffCount, count);
        if (!ids) w.putAt<uint32_t>(kOffStart, start);
        w.putAt<uint8_t>(kOffByPosition, ids ? 0 : 1);
        w.putAt<uint8_t>(kOffType, uint8_t(ruleType & QueryBody::kRuleTypeMask));
        if (!w.ok()) return false;
        if (ids) {
            unsigned int used = 0;
            if (!ids->toMessage(static_cast<uint8_t*>(const_cast<void*>(body)) + head, size - head, &used))
                return false;
        }
        if (written != nullptr) *written = size;
        return true;
    }

    // Where the records of a reply begin: behind the room its own count field reserved for ids. False
    // when the reply's fields do not fit its body.
    static bool recordsAt(ByteReader& r, unsigned int head, uint32_t& returned, size_t& off) {
        const uint32_t reserved = r.getAt<uint32_t>(kOffCount);
        returned = r.getAt<uint32_t>(kOffReturned);
        off = size_t(head) + 4 * size_t(reserved);
        return r.ok();
    }
};

}  // namespace KestFirewall
