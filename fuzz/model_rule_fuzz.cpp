// Untrusted rule records (one to four 1420-byte records, a short input zero-padded): the renderer
// answers a text that fits its buffer or a status, never a crash or an over-read. A record that
// reads as a rule also settles after one trip through the writer: written, read back and written
// again it gives the same bytes and the same text.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "kestfw/kestfw_frame.h"
#include "kestfw/kestfw_rule.h"
#include "model/KestFWRuleFactory.h"

using namespace KestFirewall;

namespace {

void check(bool ok) {
    if (!ok) abort();
}

void quiet(int, const char*, va_list) {}

std::vector<uint8_t> recordOf(CKestFWRule& r) {
    std::vector<uint8_t> out(FW_RULE_RECORD_SIZE);
    unsigned used = 0;
    check(r.toMessage(out.data(), static_cast<unsigned>(out.size()), &used) && used == out.size());
    return out;
}

const FWRule_* asRule(const std::vector<uint8_t>& rec) { return reinterpret_cast<const FWRule_*>(rec.data()); }

void render(const std::vector<uint8_t>& recs, unsigned count) {
    // The reports render one record into 512 bytes; a small buffer exercises the size check.
    for (unsigned size : {512u, 24u}) {
        for (int detailed = 0; detailed < 2; ++detailed) {
            std::vector<char> out(size + 16, '\x7f');
            const FWStatus_t st = FW_GetRuleString(asRule(recs), count, out.data(), size, detailed);
            check(memchr(out.data(), '\0', size) != nullptr);
            for (unsigned i = size; i < out.size(); ++i) check(out[i] == '\x7f');
            if (st != 0) check(out[0] == '\0');
        }
    }
}

void settle(const std::vector<uint8_t>& rec) {
    std::unique_ptr<CKestFWRule> a;
    try {
        a.reset(CKestFWRuleFactory::newFromMsgBuf(asRule(rec)));
    } catch (const CKestFWException&) {
        return;
    }
    if (!a) return;
    (void)a->toString2();
    const std::vector<uint8_t> first = recordOf(*a);
    // What the writer wrote must read back.
    std::unique_ptr<CKestFWRule> b(CKestFWRuleFactory::newFromMsgBuf(asRule(first)));
    check(b != nullptr);
    const std::vector<uint8_t> second = recordOf(*b);
    std::unique_ptr<CKestFWRule> c(CKestFWRuleFactory::newFromMsgBuf(asRule(second)));
    check(c != nullptr);
    check(recordOf(*c) == second);
    check(c->toString() == b->toString());
    check(c->toString2() == b->toString2());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FW_RegisterLogger(&quiet, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    unsigned count = static_cast<unsigned>(size / FW_RULE_RECORD_SIZE);
    if (count == 0) count = 1;
    if (count > 4) count = 4;
    std::vector<uint8_t> recs(count * FW_RULE_RECORD_SIZE, 0);
    memcpy(recs.data(), data, size < recs.size() ? size : recs.size());
    render(recs, count);
    for (unsigned i = 0; i < count; ++i)
        settle(
            std::vector<uint8_t>(recs.begin() + i * FW_RULE_RECORD_SIZE, recs.begin() + (i + 1) * FW_RULE_RECORD_SIZE));
    return 0;
}
