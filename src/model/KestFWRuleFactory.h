// Rebuilds rules from 1420-byte rule records, as the kernel returns them and callers hand them in.
#pragma once

#include "kestfw/kestfw_rule.h"
#include "model/KestFWRule.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleFactory {
public:
    // The rule of the record (the caller owns it), with its internal mark and, unless the writer
    // derived it from the addresses, its address family. Null when the fields, each valid, do not make
    // a rule together (the reason is logged); a field that fails its own check raises.
    static CKestFWRule* newFromMsgBuf(const FWRule_* record);
};

}  // namespace KestFirewall
