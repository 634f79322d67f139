#include "model/KestFWRuleActionPunt.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionPunt::~CKestFWRuleActionPunt() = default;

}  // namespace KestFirewall
