#include "transport/KestFWIOChannelFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "transport/KestFWPort.h"

namespace KestFirewall {

CKestFWIOChannelFile::CKestFWIOChannelFile(const char* path) {
    if (path == nullptr) throw CCannotOpenFileException("(no file name)", strerror(EINVAL));
    m_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0) throw CCannotOpenFileException(path, strerror(errno));
    m_path = path;
    KFW_DEBUG(KFW_COMP_IO, 1, "successfully opened file: %s\n", path);
}

CKestFWIOChannelFile::~CKestFWIOChannelFile() {
    if (m_fd >= 0) {
        close(m_fd);
        KFW_DEBUG(KFW_COMP_IO, 1, "closed file: %s\n", m_path.c_str());
    }
}

void CKestFWIOChannelFile::writeAll(const void* data, size_t len) {
    // A short write (a full disk reached midway) is continued, so the next write reports why it stopped.
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        ssize_t n = write(m_fd, p, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            throw CIoctlException(strerror(err), err);
        }
        p += n;
        len -= size_t(n);
    }
}

unsigned int CKestFWIOChannelFile::sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void*) {
    if (port != nullptr) writeAll(port, DVS_PORT_SIZE);
    writeAll(msg, msgLen);
    KFW_DEBUG(KFW_COMP_IO, 2, "wrote message of %u bytes%s to %s\n", msgLen, port != nullptr ? " with port" : "",
              m_path.c_str());
    return 0;
}

}  // namespace KestFirewall
