#include "model/KestFWRuleActionClear.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionClear::~CKestFWRuleActionClear() = default;

}  // namespace KestFirewall
