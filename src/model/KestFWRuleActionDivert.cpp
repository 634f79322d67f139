#include "model/KestFWRuleActionDivert.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionDivert::~CKestFWRuleActionDivert() = default;

}  // namespace KestFirewall
