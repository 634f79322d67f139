#include "model/KestFWConnectionList.h"

#include <arpa/inet.h>

#include <cstring>

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {

// The record's bytes as the kernel sees them, independent of how the compiler laid the struct out.
void connBytes(const FWConnection_& c, uint8_t out[FW_CONNECTION_SIZE]) {
    ByteWriter w(out, FW_CONNECTION_SIZE);
    kfwPutConnection(w, c);
}

std::string ipv4Text(const uint8_t* a) {
    char buf[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, a, buf, sizeof buf);
    return buf;
}

unsigned port(uint16_t networkOrder) { return ntohs(networkOrder); }

}  // namespace

void kfwPutConnection(ByteWriter& w, const FWConnection_& c) {
    w.bytes(c.src, sizeof c.src);
    w.bytes(c.dst, sizeof c.dst);
    // The ports are kept in network order in the record already: their bytes travel as they are.
    w.bytes(&c.sport, 2);
    w.bytes(&c.dport, 2);
    w.u8(c.flags);
    w.zeros(2);
    w.u8(c.proto);
}

std::string kfwConnectionToString(const FWConnection_& c) {
    return " from " + ipv4Text(c.src) + ":" + std::to_string(port(c.sport)) + " to " + ipv4Text(c.dst) + ":" +
           std::to_string(port(c.dport));
}

bool CKestFWConnectionList::ByteLess::operator()(const FWConnection_* a, const FWConnection_* b) const {
    uint8_t x[FW_CONNECTION_SIZE], y[FW_CONNECTION_SIZE];
    connBytes(*a, x);
    connBytes(*b, y);
    return memcmp(x, y, FW_CONNECTION_SIZE) < 0;
}

CKestFWConnectionList::~CKestFWConnectionList() {
    for (FWConnection_* c : m_conns) delete c;
}

unsigned int CKestFWConnectionList::getMsgSize() const {
    uint64_t bytes = uint64_t(m_conns.size()) * FW_CONNECTION_SIZE;
    if (bytes > 0xFFFFFFFFu) throw CIntegerOverflowException("connection count overflows", unsigned(m_conns.size()));
    return unsigned(bytes);
}

std::string CKestFWConnectionList::toString() const {
    std::string s = "{";
    bool first = true;
    for (const FWConnection_* c : m_conns) {
        if (!first) s += ",";
        first = false;
        s += kfwConnectionToString(*c);
    }
    return s + "}";
}

bool CKestFWConnectionList::toMessage(const void* buf, unsigned int size, unsigned int* written) {
    const unsigned int need = getMsgSize();
    if (buf == nullptr || need > size) return false;
    ByteWriter w(const_cast<void*>(buf), size);
    for (const FWConnection_* c : m_conns) kfwPutConnection(w, *c);
    if (written != nullptr) *written = need;
    return w.ok();
}

bool CKestFWConnectionList::addConnection(FWConnection_* conn) {
    if (conn == nullptr) return false;
    if (!m_conns.insert(conn).second) {
        delete conn;
        return false;
    }
    return true;
}

bool CKestFWConnectionList::operator<(const CKestFWConnectionList& other) const {
    if (size() == other.size()) throw CUnsupportedException("compare two connection list");
    return size() < other.size();
}

}  // namespace KestFirewall
