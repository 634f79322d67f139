#include "transport/KestFWIOChannelIOCTL.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "transport/KestFWPort.h"
#include "util/ByteIO.h"

namespace KestFirewall {

const char* const CKestFWIOChannelIOCTL::ioctl_devname = "/dev/wyb-kest";

CKestFWIOChannelIOCTL::CKestFWIOChannelIOCTL() { openDevice(ioctl_devname); }

CKestFWIOChannelIOCTL::CKestFWIOChannelIOCTL(const char* path) { openDevice(path != nullptr ? path : ioctl_devname); }

CKestFWIOChannelIOCTL::CKestFWIOChannelIOCTL(int fd) : m_fd(fd) {
    KFW_DEBUG(KFW_COMP_IO, 1, "successfully stored ioctl device: %d\n", fd);
}

void CKestFWIOChannelIOCTL::openDevice(const char* path) {
    m_fd = open(path, O_RDWR);
    if (m_fd < 0) throw CCannotOpenDevException(path, unsigned(errno));
    m_path = path;
    KFW_DEBUG(KFW_COMP_IO, 1, "successfully opened ioctl device: %s\n", path);
}

CKestFWIOChannelIOCTL::~CKestFWIOChannelIOCTL() {
    if (!m_path.empty() && m_fd != -1) {
        close(m_fd);
        m_fd = -1;
        KFW_DEBUG(KFW_COMP_IO, 1, "closed ioctl device: %s\n", m_path.c_str());
    }
}

void CKestFWIOChannelIOCTL::buildRequest(uint8_t (&record)[KEST_IOREQ_SIZE], const dvs_port_* port, const void* msg,
                                         unsigned int msgLen) {
    ByteWriter w(record, sizeof record);
    w.u32(KEST_IOCTL_REQUEST);
    w.u32(0);
    w.u32(KEST_IOREQ_PAYLOAD_LEN);
    w.u64(reinterpret_cast<uintptr_t>(record + KEST_IOREQ_OFF_PORT));
    if (port != nullptr)
        w.bytes(port, DVS_PORT_SIZE);
    else
        w.zeros(DVS_PORT_SIZE);
    w.u32(msgLen);
    w.u64(reinterpret_cast<uintptr_t>(msg));
}

unsigned int CKestFWIOChannelIOCTL::sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void*) {
    uint8_t record[KEST_IOREQ_SIZE];
    buildRequest(record, port, msg, msgLen);

    errno = 0;
    int rc = ioctl(m_fd, KEST_IOCTL_REQUEST, record);
    int err = errno;
    KFW_DEBUG(KFW_COMP_IO, 2, "called ioctl [type %u uuid %s idx %u]: %d\n", kfwPortType(port), kfwPortId(port).c_str(),
              kfwPortIndex(port), rc);
    if (rc >= 0) return 0;

    if (kfwPortType(port) != 0 && err == ENOENT)
        throw CPortNotFoundException("ioctl failed because switch port is not found");
    char text[128];
    snprintf(text, sizeof text, "ioctl failed, errno=%d", err);
    throw CIoctlException(text, err);
}

}  // namespace KestFirewall
