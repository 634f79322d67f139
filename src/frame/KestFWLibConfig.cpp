#include "frame/KestFWLibConfig.h"

#include <strings.h>

#include <cstdlib>
#include <memory>

#include "base/KestFWLog.h"
#include "base/Locks.h"

namespace KestFirewall {

namespace {
const char* const kBatchVariable = "kestfwlib_exec_batch_cmd";
Locks::Mutex s_mutex;
std::unique_ptr<CKestFWLibConfig> s_instance;
}  // namespace

CKestFWLibConfig* CKestFWLibConfig::GetInstance() {
    Locks::ScopedLock lock(s_mutex);
    if (!s_instance) s_instance.reset(new CKestFWLibConfig());
    return s_instance.get();
}

bool CKestFWLibConfig::readConfig(int key, bool* value) {
    if (key != KFW_CONFIG_EXEC_BATCH_CMD || value == nullptr) return false;
    const char* text = getenv(kBatchVariable);
    if (text == nullptr) return false;
    KFW_LOG(KFW_LOG_INFO, "Read config %s: %s\n\n", kBatchVariable, text);
    if (strcasecmp(text, "true") == 0) {
        *value = true;
        return true;
    }
    if (strcasecmp(text, "false") == 0) {
        *value = false;
        return true;
    }
    return false;
}

}  // namespace KestFirewall
