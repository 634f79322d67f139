#include "transport/KestFWIoctl.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "kestfw/kestfw_cmd.h"
#include "base/Locks.h"

namespace KestFirewall {

namespace {
const char* const kControlDevice = "/dev/wyb-kest";
const char* const kOldControlDevice = "/dev/kest";
Locks::Mutex s_mutex;
// Closes the device at process exit.
std::unique_ptr<CKestFWIoctl> s_instance;
}  // namespace

std::string CKestFWIoctl::ioctl_devname = kControlDevice;

CKestFWIoctl::CKestFWIoctl() {
    if (getenv("KEST_CONTROL_DEVICE_PATH_OLD") != nullptr) {
        ioctl_devname = kOldControlDevice;
        KFW_DEBUG(KFW_COMP_IO, 1, "using the old kest device: %s\n", ioctl_devname.c_str());
    }
    m_fd = open(ioctl_devname.c_str(), O_RDWR);
    if (m_fd < 0) throw CCannotOpenDevException(ioctl_devname.c_str(), unsigned(errno));
    KFW_DEBUG(KFW_COMP_IO, 1, "successfully opened ioctl device: %s\n", ioctl_devname.c_str());
}

CKestFWIoctl::~CKestFWIoctl() {
    if (m_fd >= 0) close(m_fd);
}

CKestFWIoctl* CKestFWIoctl::GetInstance() {
    Locks::ScopedLock lock(s_mutex);
    if (!s_instance) s_instance.reset(new CKestFWIoctl());
    return s_instance.get();
}

int CKestFWIoctl::sendIoctl(int request, void* arg) {
    int rc = ioctl(m_fd, request, arg);
    if (rc != 0) {
        int err = errno;
        KFW_ERROR("ioctl cmd %d on device %s failed: %s\n\n", request, ioctl_devname.c_str(), strerror(err));
        errno = err;
    }
    return rc;
}

}  // namespace KestFirewall

using namespace KestFirewall;

uint32_t FW_Ioctl(int request, void* arg) {
    KFW_API_FRAME();
    uint32_t result = 0xFFFFFFFFu;
    KFW_API_GUARD([&]() -> FWStatus_t {
        result = uint32_t(CKestFWIoctl::GetInstance()->sendIoctl(request, arg));
        return 0;
    });
    return result;
}
