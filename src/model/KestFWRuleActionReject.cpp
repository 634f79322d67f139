#include "model/KestFWRuleActionReject.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionReject::~CKestFWRuleActionReject() = default;

}  // namespace KestFirewall
