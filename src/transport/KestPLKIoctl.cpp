#include "transport/KestPLKIoctl.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "kestfw/kestfw_cmd.h"
#include "base/Locks.h"

namespace KestFirewall {

namespace {
Locks::Mutex s_mutex;
std::unique_ptr<CKestPLKIoctl> s_instance;
}  // namespace

const char* const CKestPLKIoctl::ioctl_devname = "/dev/pelkintbl";

CKestPLKIoctl::CKestPLKIoctl() {
    m_fd = open(ioctl_devname, O_RDWR);
    if (m_fd < 0) throw CCannotOpenDevException(ioctl_devname, unsigned(errno));
    KFW_DEBUG(KFW_COMP_MISC, 1, "successfully opened ioctl device: %s\n", ioctl_devname);
}

CKestPLKIoctl::~CKestPLKIoctl() {
    if (m_fd >= 0) close(m_fd);
}

CKestPLKIoctl* CKestPLKIoctl::GetInstance() {
    Locks::ScopedLock lock(s_mutex);
    if (!s_instance) s_instance.reset(new CKestPLKIoctl());
    return s_instance.get();
}

int CKestPLKIoctl::sendIoctl(int request, void* arg) {
    int rc = ioctl(m_fd, request, arg);
    if (rc != 0) {
        int err = errno;
        KFW_ERROR("ioctl cmd %d on device %s failed: %s\n\n", request, ioctl_devname, strerror(err));
        errno = err;
    }
    return rc;
}

}  // namespace KestFirewall

using namespace KestFirewall;

extern "C" {

uint32_t PLK_Ioctl(int request, void* arg) {
    KFW_API_FRAME();
    uint32_t result = 0xFFFFFFFFu;
    KFW_API_GUARD([&]() -> FWStatus_t {
        result = uint32_t(CKestPLKIoctl::GetInstance()->sendIoctl(request, arg));
        return 0;
    });
    return result;
}

int PLK_GetFd(void) {
    KFW_API_FRAME();
    int fd = -1;
    KFW_API_GUARD([&]() -> FWStatus_t {
        fd = CKestPLKIoctl::GetInstance()->getFd();
        return 0;
    });
    return fd;
}

}  // extern "C"
