// Untrusted action and protocol-specification records: each input either builds objects, which then
// serialise, print and read back to the same bytes, or raises one of the library's own exceptions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "model/KestFWProtocolSpecFactory.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWRuleActionFactory.h"

using namespace KestFirewall;

namespace {

void check(bool ok) {
    if (!ok) abort();
}

std::vector<uint8_t> actionBytes(CKestFWRuleAction& a) {
    std::vector<uint8_t> out(FW_RULE_ACTION_RECORD_SIZE);
    unsigned used = 0;
    check(a.toMessage(out.data(), static_cast<unsigned>(out.size()), &used) && used == out.size());
    return out;
}

void fuzzAction(const uint8_t* data, size_t size) {
    std::vector<uint8_t> rec(FW_RULE_ACTION_RECORD_SIZE, 0);
    memcpy(rec.data(), data, size < rec.size() ? size : rec.size());
    std::unique_ptr<CKestFWRuleAction> a(CKestFWRuleActionFactory::newFromMsgBuf(rec.data(), rec.size()));
    (void)a->toString();
    (void)a->toString(0);
    // Reading back may settle derived fields once (helper flags, LB options); after that the bytes
    // and the text are fixed.
    const std::vector<uint8_t> first = actionBytes(*a);
    std::unique_ptr<CKestFWRuleAction> b(CKestFWRuleActionFactory::newFromMsgBuf(first.data(), first.size()));
    const std::vector<uint8_t> second = actionBytes(*b);
    std::unique_ptr<CKestFWRuleAction> c(CKestFWRuleActionFactory::newFromMsgBuf(second.data(), second.size()));
    check(actionBytes(*c) == second);
    check(c->toString() == b->toString());
    check(b->getAction() == a->getAction());
}

void fuzzSpec(const uint8_t* data, size_t size) {
    std::unique_ptr<CKestFWProtocolSpec> s(CKestFWProtocolSpecFactory::newFromMsgBuf(data, static_cast<unsigned>(size)));
    if (!s) return;
    std::vector<uint8_t> rec(2 + s->getMsgSize());
    unsigned used = 0;
    check(s->toRecord(rec.data(), static_cast<unsigned>(rec.size()), &used) && used == rec.size());
    std::unique_ptr<CKestFWProtocolSpec> t(CKestFWProtocolSpecFactory::newFromMsgBuf(rec.data(), used));
    check(t && t->toString() == s->toString());
    std::vector<uint8_t> again(rec.size());
    check(t->toRecord(again.data(), static_cast<unsigned>(again.size()), &used) && again == rec);

    // As the one member of a port block.
    CKestFWProtocolSpecList list(0);
    list.setPortForm(true);
    list.addSpec(t.release());
    std::vector<uint8_t> block(list.getMsgSize());
    check(list.toMessage(block.data(), static_cast<unsigned>(block.size()), &used));
    (void)list.toString();
}

void fuzzBlock(const uint8_t* data, size_t size) {
    std::unique_ptr<CKestFWProtocolSpecList> l(
        CKestFWProtocolSpecList::newFromProtocolBlock(data, static_cast<unsigned>(size)));
    std::vector<uint8_t> block(l->getMsgSize());
    unsigned used = 0;
    check(l->toMessage(block.data(), static_cast<unsigned>(block.size()), &used) && used == block.size());
    std::unique_ptr<CKestFWProtocolSpecList> m(
        CKestFWProtocolSpecList::newFromProtocolBlock(block.data(), static_cast<unsigned>(block.size())));
    check(m->toString() == l->toString());
}

void fuzzPortText(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    CKestFWProtocolSpecL4PortSet set(2, text.c_str());
    check(set.slotsUsed() <= CKestFWProtocolSpecL4PortSet::kMaxSlots);
    (void)set.toString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0] & 3u;
    ++data;
    --size;
    try {
        switch (mode) {
            case 0:
                fuzzAction(data, size);
                break;
            case 1:
                fuzzSpec(data, size);
                break;
            case 2:
                fuzzBlock(data, size);
                break;
            default:
                fuzzPortText(data, size);
                break;
        }
    } catch (const CKestFWException&) {
        // A clean refusal.
    }
    return 0;
}
