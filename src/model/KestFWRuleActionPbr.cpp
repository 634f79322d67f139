#include "model/KestFWRuleActionPbr.h"

namespace KestFirewall {

namespace {
// The policy that routes the traffic on unchanged.
const char kPassThrough[] = "ffffffff-ffff-ffff-ffff-ffffffffffff";
}  // namespace

CKestFWRuleActionPbr::~CKestFWRuleActionPbr() = default;

std::string CKestFWRuleActionPbr::trailingText() const {
    if (getKeyPolicy() == kPassThrough) return " pass-through";
    return CKestFWRuleActionKeyPolicy::trailingText();
}

}  // namespace KestFirewall
