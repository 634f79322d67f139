#include "model/KestFWRuleActionIDPProtect.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionIDPProtect::~CKestFWRuleActionIDPProtect() = default;

}  // namespace KestFirewall
