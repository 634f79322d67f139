#include "base/KestFWApi.h"

namespace KestFirewall {

void kfwApiLogException(const KfwApiSite& site, int line, const CKestFWException& e) noexcept {
    Logger(KFW_LOG_ERR, "kestfw: %s:%s():%d error %u: %s\n", site.file, site.func, line, e.retcode(), e.what());
}

void kfwApiLogInternal(const KfwApiSite& site, int line) noexcept {
    Logger(KFW_LOG_ERR, "kestfw: %s:%s():%d %s: encountered internal error\n", site.file, site.func, line, site.func);
}

void kfwApiTraceEnter(const KfwApiSite& site, int line) noexcept {
    if (kfwVerboseAtLeast(KFW_COMP_API, 1))
        Logger(KFW_LOG_DEBUG, "kestfw:%s %s:%s():%d %s.\n", g_kestfw_verbose[KFW_COMP_API].name, site.file, site.func,
               line, site.func);
}

FWStatus_t kfwApiTraceExit(const KfwApiSite& site, int line, FWStatus_t status) noexcept {
    if (kfwVerboseAtLeast(KFW_COMP_API, 1))
        Logger(KFW_LOG_DEBUG, "kestfw:%s %s:%s():%d %s: %s\n", g_kestfw_verbose[KFW_COMP_API].name, site.file,
               site.func, line, site.func, FW_StatusToString(status));
    return status;
}

}  // namespace KestFirewall
