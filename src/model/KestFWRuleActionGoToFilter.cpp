#include "model/KestFWRuleActionGoToFilter.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionGoToFilter::~CKestFWRuleActionGoToFilter() = default;

}  // namespace KestFirewall
