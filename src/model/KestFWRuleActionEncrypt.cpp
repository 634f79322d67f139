#include "model/KestFWRuleActionEncrypt.h"

namespace KestFirewall {

CKestFWRuleActionEncrypt::~CKestFWRuleActionEncrypt() = default;

}  // namespace KestFirewall
