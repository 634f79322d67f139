#include "transport/KestSiIoctl.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "kestfw/kestfw_cmd.h"
#include "base/Locks.h"

using namespace KestFirewall;

namespace KestSi {

namespace {
Locks::Mutex s_mutex;
std::unique_ptr<CKestSiIoctl> s_instance;
}  // namespace

std::string CKestSiIoctl::ioctl_devname = "/dev/qel-kest-pwix";

CKestSiIoctl::CKestSiIoctl() {
    m_fd = open(ioctl_devname.c_str(), O_RDWR);
    if (m_fd < 0) throw CCannotOpenDevException(ioctl_devname.c_str(), unsigned(errno));
    KFW_LOG(KFW_LOG_INFO, "successfully opened ioctl device: %s\n", ioctl_devname.c_str());
}

CKestSiIoctl::~CKestSiIoctl() {
    if (m_fd >= 0) {
        close(m_fd);
        KFW_LOG(KFW_LOG_INFO, "closed ioctl device: %s\n", ioctl_devname.c_str());
    }
}

CKestSiIoctl* CKestSiIoctl::GetInstance() {
    Locks::ScopedLock lock(s_mutex);
    if (!s_instance) s_instance.reset(new CKestSiIoctl());
    return s_instance.get();
}

int CKestSiIoctl::sendIoctl(int request, void* arg) {
    int rc = ioctl(m_fd, request, arg);
    int err = errno;
    if (rc != 0) {
        KFW_ERROR("ioctl cmd %d on device %s failed: %s\n\n", request, ioctl_devname.c_str(), strerror(err));
    } else {
        // The argument is a binary record of the caller's, so its address is what the line can show.
        char data[32];
        snprintf(data, sizeof data, "%p", arg);
        KFW_LOG(KFW_LOG_INFO, "successfully sent cmd %d with data %s\n", request, data);
    }
    errno = err;
    return rc;
}

}  // namespace KestSi

extern "C" uint32_t SI_Ioctl(int request, void* arg) {
    try {
        return uint32_t(KestSi::CKestSiIoctl::GetInstance()->sendIoctl(request, arg));
    } catch (const CKestFWException& e) {
        KFW_ERROR("%s: error %u: %s\n", __func__, e.retcode(), e.what());
    } catch (...) {
        KFW_ERROR("%s: encountered internal error\n", __func__);
    }
    return 0xFFFFFFFFu;
}
