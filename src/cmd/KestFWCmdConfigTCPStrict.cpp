#include "cmd/KestFWCmdConfigTCPStrict.h"

namespace KestFirewall {

std::string CKestFWCmdConfigTCPStrict::toString() const { return m_on ? "enable tcp strict" : "disable tcp strict"; }

}  // namespace KestFirewall
