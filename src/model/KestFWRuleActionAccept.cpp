#include "model/KestFWRuleActionAccept.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionAccept::~CKestFWRuleActionAccept() = default;

}  // namespace KestFirewall
