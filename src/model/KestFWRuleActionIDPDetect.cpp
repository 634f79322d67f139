#include "model/KestFWRuleActionIDPDetect.h"

namespace KestFirewall {

// Out of line, so the class has one home for its virtual table.
CKestFWRuleActionIDPDetect::~CKestFWRuleActionIDPDetect() = default;

}  // namespace KestFirewall
