#include "model/KestFWRuleActionCopy.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionCopy::~CKestFWRuleActionCopy() = default;

}  // namespace KestFirewall
