#include "cmd/KestFWCmdList.h"

#include <algorithm>
#include <ctime>

#include "base/KestFWException.h"
#include "frame/KestFWLibConfig.h"
#include "frame/KestFWLibHandle.h"
#include "base/KestFWLog.h"
#include "transport/KestFWMsgHdr.h"

namespace KestFirewall {

namespace {

const FWStatus_t kStatusPortNotFound = 21;

bool batchExecution() {
    static const bool batch = [] {
        bool value = false;
        CKestFWLibConfig::GetInstance()->readConfig(KFW_CONFIG_EXEC_BATCH_CMD, &value);
        return value;
    }();
    return batch;
}

// The message of a batch: released when the batch ends, however it ends.
class BatchMessage {
public:
    explicit BatchMessage(CKestFWLibHandle* handle) : m_handle(handle) {}
    ~BatchMessage() { release(); }
    BatchMessage(const BatchMessage&) = delete;
    BatchMessage& operator=(const BatchMessage&) = delete;

    void release() {
        if (m_buf != nullptr) m_handle->releaseCommandBuffer(m_buf);
        m_buf = nullptr;
        m_capacity = 0;
    }
    int allocate(unsigned int capacity) {
        release();
        int rc = m_handle->getCommandBuffer(&m_buf, capacity);
        if (rc != 0) {
            m_buf = nullptr;
            return rc;
        }
        m_capacity = capacity;
        return 0;
    }

    uint8_t* data() const { return static_cast<uint8_t*>(m_buf); }
    unsigned int capacity() const { return m_capacity; }

private:
    CKestFWLibHandle* m_handle;
    void* m_buf = nullptr;
    unsigned int m_capacity = 0;
};

}  // namespace

CKestFWCmdList::~CKestFWCmdList() {
    for (CKestFWCmd* cmd : m_cmds) delete cmd;
}

unsigned int CKestFWCmdList::getMsgSize() const {
    unsigned int largest = 0;
    for (const CKestFWCmd* cmd : m_cmds) largest = std::max(largest, cmd->getMsgSize());
    return largest;
}

std::string CKestFWCmdList::toString() const {
    std::string out;
    for (const CKestFWCmd* cmd : m_cmds) out += cmd->toString() + ";\n";
    return out;
}

bool CKestFWCmdList::toMessage(const void*, unsigned int, unsigned int*) {
    throw CUnsupportedException("CKestFWCmdList::toMessage is not supported! Call CKestFWCmd::eval method instead.");
}

bool CKestFWCmdList::addCmd(CKestFWCmd* cmd) {
    m_cmds.push_back(cmd);
    return true;
}

bool CKestFWCmdList::insertCmd(CKestFWCmd* cmd) {
    m_cmds.insert(m_cmds.begin(), cmd);
    return true;
}

bool CKestFWCmdList::mergeCmdList(CKestFWCmdList* other) {
    if (other == nullptr || other == this) return true;
    m_cmds.insert(m_cmds.end(), other->m_cmds.begin(), other->m_cmds.end());
    other->m_cmds.clear();
    return true;
}

FWStatus_t CKestFWCmdList::eval(fwlibhandle_* handle, dvs_port_* port, void* ctx) {
    return batchExecution() ? evalBatch(handle, port, ctx) : evalSingle(handle, port, ctx);
}

FWStatus_t CKestFWCmdList::evalSingle(fwlibhandle_* handle, dvs_port_* port, void* ctx) {
    if (handle == nullptr) return 2;
    FWStatus_t status = 0;
    for (CKestFWCmd* cmd : m_cmds) {
        cmd->setDVSPort(port, true);
        void* reply = nullptr;
        unsigned int len = 0;
        status = cmd->execute(handle, &reply, &len, ctx);
        if (status == 0) {
            cmd->releaseCmdBuffer(handle, reply);
            continue;
        }
        // Without a port of the list each command names its own, and one that is gone is passed over.
        if (status == kStatusPortNotFound && port == nullptr) continue;
        break;
    }
    return status;
}

FWStatus_t CKestFWCmdList::evalBatch(fwlibhandle_* handle, dvs_port_* port, void* ctx) {
    if (handle == nullptr) return 2;
    BatchMessage msg(handle);
    unsigned int used = 0;
    std::vector<CKestFWCmd*> pending;
    FWStatus_t status = 0;

    // Sends what is pending and hands each command its own reply body.
    auto flush = [&]() -> FWStatus_t {
        time_t start = time(nullptr);
        FWStatus_t rc = handle->flushCommandBuffer(msg.data(), used, port, ctx);
        KFW_LOG(KFW_LOG_INFO, "execute pending cmd list of %lu commands and %u bytes in %ld seconds\n",
                static_cast<unsigned long>(pending.size()), used, static_cast<long>(time(nullptr) - start));
        if (rc != 0) return rc;
        size_t off = 0;
        for (CKestFWCmd* cmd : pending) {
            unsigned int body = cmd->getMsgSize();
            cmd->checkCmdReply(msg.data() + off + KEST_CMD_HDR_SIZE, body);
            off += size_t(KEST_CMD_HDR_SIZE) + body;
        }
        pending.clear();
        return 0;
    };

    for (CKestFWCmd* cmd : m_cmds) {
        const uint64_t record = uint64_t(cmd->getMsgSize()) + KEST_CMD_HDR_SIZE;
        if (record > 0xFFFFFFFFu) return 8;
        const unsigned int recSize = unsigned(record);
        if (uint64_t(used) + recSize > msg.capacity()) {
            if (!pending.empty()) {
                status = flush();
                if (status != 0) return status;
            }
            if (msg.capacity() >= recSize) {
                handle->resetCommandBuffer(msg.data());
            } else {
                // By value: bound to a reference the constant would become an exported variable of its own.
                int rc = msg.allocate(std::max(recSize, unsigned(kBatchCapacity)));
                if (rc != 0) return FWStatus_t(rc);
            }
            used = 0;
        }
        cmd->setDVSPort(port, true);
        unsigned int written = 0;
        cmd->toMessage(msg.data() + used, msg.capacity() - used, &written);
        handle->addCommand(msg.data(), recSize);
        used += recSize;
        pending.push_back(cmd);
        KFW_DEBUG(KFW_COMP_CMD, 1, "delay executing command %s\n", kfwCmdLogName(cmd->getCommand()));
    }
    if (!pending.empty()) status = flush();
    return status;
}

}  // namespace KestFirewall
