// Command classes for tests of the framework: a body of a chosen size filled with a pattern, any
// opcode, and a record of the reply bodies it was handed.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "base/KestFWException.h"

namespace kestfw_test {

class PatternCmd : public KestFirewall::CKestFWCmd {
public:
    PatternCmd(dvs_port_* port, unsigned bodySize, unsigned opcode = 1, uint8_t fill = 0xA5)
        : CKestFWCmd(port), m_size(bodySize), m_opcode(opcode), m_fill(fill) {}

    unsigned int getMsgSize() const override { return m_size; }
    unsigned int getType() const override { return 9999; }
    unsigned int getCommand() const override { return m_opcode; }
    std::string toString() const override { return "pattern " + std::to_string(m_size) + dvsportToString("of"); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) override {
        if (avail < m_size - shortBy) return false;
        memset(writable(body), m_fill, m_size - shortBy);
        *written = m_size - shortBy;
        return true;
    }
    void checkCmdReply(const void* body, unsigned int size) override {
        replies.emplace_back(static_cast<const uint8_t*>(body), static_cast<const uint8_t*>(body) + size);
        if (throwOnReply == 1) throw KestFirewall::CInvalidInputDataException("reply does not parse");
        if (throwOnReply == 2) throw std::runtime_error("not ours");
    }

    std::vector<std::vector<uint8_t>> replies;
    unsigned shortBy = 0;  // write this many bytes less than announced
    int throwOnReply = 0;  // 1: a library exception, 2: anything else

private:
    unsigned m_size;
    unsigned m_opcode;
    uint8_t m_fill;
};

inline dvs_port_ makePort(unsigned type, const char* id, unsigned index, const char* agent = "") {
    dvs_port_ p;
    memset(&p, 0, sizeof p);
    strncpy(p.id, id, sizeof p.id - 1);
    strncpy(p.agent, agent, sizeof p.agent - 1);
    p.index[0] = uint8_t(index);
    p.index[1] = uint8_t(index >> 8);
    p.index[2] = uint8_t(index >> 16);
    p.type = uint8_t(type);
    return p;
}

}  // namespace kestfw_test
