#include "model/KestFWRuleActionDrop.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionDrop::~CKestFWRuleActionDrop() = default;

}  // namespace KestFirewall
