#include "cmd/KestFWCmdClearRootRuleSet.h"

#include "cmd/KestFWCmdRuleSetBody.h"

namespace KestFirewall {

std::string CKestFWCmdClearRootRuleSet::toString() const {
    return std::string("clear root ruleset") + " of dvsport " + switchPortText(m_port);
}

bool CKestFWCmdClearRootRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                              unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [](ByteWriter&) {});
}

}  // namespace KestFirewall
