#include "cmd/KestFWCmdDestroyAllRuleSet.h"

#include "cmd/KestFWCmdRuleSetBody.h"

namespace KestFirewall {

std::string CKestFWCmdDestroyAllRuleSet::toString() const { return "destroy all ruleset " + dvsportToString("of"); }

bool CKestFWCmdDestroyAllRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                               unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [](ByteWriter&) {});
}

}  // namespace KestFirewall
