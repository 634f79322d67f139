// The channels that carry messages without the kernel: the file that records them, the caller's memory
// area that keeps the last one, and the caller's own functions (generic); and the argument shapes of
// FW_Initialize that build each of them. The rule-set count is the message sent throughout: 36 bytes,
// written here by hand from the header layouts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "frame/KestFWLibHandle.h"
#include "kestfw/kestfw.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "transport/KestFWIOChannelFile.h"
#include "transport/KestFWIOChannelGeneric.h"
#include "transport/KestFWIOChannelIOCTL.h"
#include "transport/KestFWIOChannelMemory.h"
#include "transport/KestFWIOChannelSocket.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

int g_reserved = 0;

// The rule-set count as the n-th message of its handle: header (body 16, one command), command header
// (body 4, opcode 1, status 0), a zero body.
std::vector<uint8_t> countMessage(uint8_t sequence) {
    return {'K', 'E', 'S', 'T', 16, 0, 0, 0, sequence, 0, 0, 0, 1, 1, 0, 1, 1, 0,
            0,   0,   4,   0,   0,  0, 1, 0, 0,        0, 0, 0, 0, 0, 0, 0, 0, 0};
}

std::vector<uint8_t> portBytes(const dvs_port_& p) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&p);
    return std::vector<uint8_t>(b, b + sizeof p);
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/kestfw-chan-XXXXXX";
        m_path = mkdtemp(tmpl) ? tmpl : "";
    }
    ~TempDir() {
        if (!m_path.empty()) {
            std::string cmd = "rm -rf '" + m_path + "'";
            if (system(cmd.c_str()) != 0) ADD_FAILURE() << "could not remove " << m_path;
        }
    }
    std::string file(const char* name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

fwlibhandle_* initialize(int type, std::vector<void*> args, FWStatus_t* status) {
    fwlibhandle_* h = nullptr;
    *status = FW_Initialize(0x10000, &g_reserved, type, int(args.size()), args.empty() ? nullptr : args.data(), &h);
    return h;
}

void* key(const char* k) { return const_cast<char*>(k); }

// ---- A recording generic channel --------------------------------------------------------------------

struct GenericLog {
    int inits = 0, exits = 0, requests = 0;
    void* initArg = nullptr;
    void* exitCtx = nullptr;
    void* requestCtx = nullptr;
    void* callerCtx = nullptr;
    std::vector<uint8_t> lastMessage;
    int initResult = 0;
    int requestResult = 0;
    int requestErrno = 0;
    uint32_t answer = 0;  // written into the reply body when non-zero
};
GenericLog g_gen;
int g_channelContext = 0;

int genInit(void* arg, void** ctx) {
    ++g_gen.inits;
    g_gen.initArg = arg;
    *ctx = &g_channelContext;
    return g_gen.initResult;
}
void genExit(void* ctx) {
    ++g_gen.exits;
    g_gen.exitCtx = ctx;
}
int genRequest(void* ctx, void* msg, unsigned int len, void* callerCtx) {
    ++g_gen.requests;
    g_gen.requestCtx = ctx;
    g_gen.callerCtx = callerCtx;
    g_gen.lastMessage.assign(static_cast<uint8_t*>(msg), static_cast<uint8_t*>(msg) + len);
    if (g_gen.answer != 0 && len >= 36) memcpy(static_cast<uint8_t*>(msg) + 32, &g_gen.answer, 4);
    errno = g_gen.requestErrno;
    return g_gen.requestResult;
}

const FWLibGenericIO_ kGeneric = {genInit, genExit, genRequest, nullptr};

}  // namespace

// ---- Argument shapes ---------------------------------------------------------------------------------

namespace {

uint8_t g_area[256];
uint32_t g_areaLen = sizeof g_area;
void* g_initArg = &g_area[7];
void* g_ctxOut = nullptr;
FWLibGenericIO_ g_noExit = {genInit, nullptr, genRequest, nullptr};

enum class Built { None, File, Memory, Generic, Socket };

struct ShapeCase {
    const char* name;
    int ioType;
    std::vector<void*> args;  // a null key stands for the test's file path when it follows "FWIOFileName"
    FWStatus_t result;
    Built built;
    const char* log;
};
void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class ChannelShapes : public ::testing::TestWithParam<ShapeCase> {};

}  // namespace

TEST_P(ChannelShapes, EachShapeBuildsItsChannel) {
    const ShapeCase& c = GetParam();
    TempDir dir;
    std::string path = dir.file("record");
    std::vector<void*> args = c.args;
    for (size_t i = 1; i < args.size(); i += 2)
        if (args[i] == nullptr && strcmp(static_cast<const char*>(args[i - 1]), KESTFW_IO_FILE_NAME) == 0 &&
            c.result == 0)
            args[i] = &path[0];
    g_gen = GenericLog();
    LogCapture log;
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(c.ioType, args, &st);
    EXPECT_EQ(st, c.result);
    if (c.log != nullptr) {
        EXPECT_TRUE(log.has(c.log)) << c.log;
    }
    if (st != 0) {
        EXPECT_EQ(h, nullptr);
        return;
    }
    ASSERT_NE(h, nullptr);
    CKestFWIOChannel* ch = h->getIOChannel();
    switch (c.built) {
        case Built::File:
            EXPECT_NE(dynamic_cast<CKestFWIOChannelFile*>(ch), nullptr);
            EXPECT_EQ(access(path.c_str(), F_OK), 0);
            break;
        case Built::Memory: {
            auto* m = dynamic_cast<CKestFWIOChannelMemory*>(ch);
            ASSERT_NE(m, nullptr);
            EXPECT_EQ(m->target(), g_area);
            EXPECT_EQ(m->capacity(), g_areaLen);
            break;
        }
        case Built::Generic: {
            auto* g = dynamic_cast<CKestFWIOChannelGeneric*>(ch);
            ASSERT_NE(g, nullptr);
            EXPECT_EQ(g_gen.inits, 1);
            EXPECT_EQ(g_gen.initArg, args.size() >= 4 ? g_initArg : nullptr);
            EXPECT_EQ(g->context(), &g_channelContext);
            break;
        }
        default:
            ADD_FAILURE() << "unexpected channel " << typeid(*ch).name();
    }
    EXPECT_EQ(FW_Exit(h), 0u);
    EXPECT_EQ(g_gen.exits, c.built == Built::Generic ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChannelShapes,
    ::testing::Values(
        ShapeCase{"file", 4, {key(KESTFW_IO_FILE_NAME), nullptr}, 0, Built::File, nullptr},
        ShapeCase{"file in a missing folder",
                  4,
                  {key(KESTFW_IO_FILE_NAME), key("/nonexistent-kestfw/x")},
                  12,
                  Built::None,
                  "error 12: /nonexistent-kestfw/x : No such file or directory\n"},
        ShapeCase{"file without a name", 4, {key(KESTFW_IO_FILE_NAME), nullptr}, 12, Built::None, nullptr},
        ShapeCase{"file with four",
                  4,
                  {key(KESTFW_IO_FILE_NAME), nullptr, key(KESTFW_IO_FILE_NAME), nullptr},
                  10,
                  Built::None,
                  "error 10: cannot initialize IO channel: 4\n"},
        ShapeCase{
            "memory", 5, {key(KESTFW_IO_MEMORY), g_area, key(KESTFW_IO_LENGTH), &g_areaLen}, 0, Built::Memory, nullptr},
        ShapeCase{"memory keys swapped",
                  5,
                  {key(KESTFW_IO_LENGTH), &g_areaLen, key(KESTFW_IO_MEMORY), g_area},
                  10,
                  Built::None,
                  nullptr},
        ShapeCase{"memory without its length",
                  5,
                  {key(KESTFW_IO_MEMORY), g_area, key(KESTFW_IO_LENGTH), nullptr},
                  10,
                  Built::None,
                  nullptr},
        ShapeCase{"memory without an area",
                  5,
                  {key(KESTFW_IO_MEMORY), nullptr, key(KESTFW_IO_LENGTH), &g_areaLen},
                  10,
                  Built::None,
                  nullptr},
        ShapeCase{"memory with two", 5, {key(KESTFW_IO_MEMORY), g_area}, 10, Built::None, nullptr},
        ShapeCase{"generic",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kGeneric)},
                  0,
                  Built::Generic,
                  nullptr},
        ShapeCase{"generic with init argument",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kGeneric), key(KESTFW_IO_GENERIC_INIT_ARG),
                   g_initArg},
                  0,
                  Built::Generic,
                  nullptr},
        ShapeCase{"generic with context",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kGeneric), key(KESTFW_IO_GENERIC_INIT_ARG),
                   g_initArg, key(KESTFW_IO_GENERIC_CONTEXT), &g_ctxOut},
                  0,
                  Built::Generic,
                  nullptr},
        ShapeCase{"generic context without init argument",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kGeneric), key(KESTFW_IO_GENERIC_CONTEXT),
                   &g_ctxOut},
                  10,
                  Built::None,
                  nullptr},
        ShapeCase{"generic without a table",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), nullptr},
                  7,
                  Built::None,
                  "error 7: invalid generic io ops\n"},
        ShapeCase{"generic without exit",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), &g_noExit},
                  7,
                  Built::None,
                  "error 7: invalid generic io exit function\n"},
        ShapeCase{"generic with three",
                  6,
                  {key(KESTFW_IO_GENERIC_IO), &g_noExit, key(KESTFW_IO_GENERIC_INIT_ARG)},
                  10,
                  Built::None,
                  nullptr},
        ShapeCase{"socket with the port first",
                  2,
                  {key(KESTFW_IO_PORT), key("1"), key(KESTFW_IO_ADDRESS), key("127.0.0.1")},
                  10,
                  Built::None,
                  nullptr},
        ShapeCase{"socket without an address",
                  2,
                  {key(KESTFW_IO_ADDRESS), nullptr, key(KESTFW_IO_PORT), key("1")},
                  11,
                  Built::None,
                  "error 11: cannot connect without an address\n"},
        ShapeCase{"socket without a port",
                  2,
                  {key(KESTFW_IO_ADDRESS), key("127.0.0.1"), key(KESTFW_IO_PORT), nullptr},
                  11,
                  Built::None,
                  "error 11: cannot connect without a port\n"},
        ShapeCase{"socket type 1",
                  3,
                  {key(KESTFW_IO_ADDRESS), key("127.0.0.1"), key(KESTFW_IO_PORT), key("1")},
                  11,
                  Built::None,
                  "error 11: unknown socket type: 1\n"}),
    [](const ::testing::TestParamInfo<ShapeCase>& i) { return "case" + std::to_string(i.index); });

TEST(ChannelShapes, GenericContextReachesTheCaller) {
    g_gen = GenericLog();
    g_ctxOut = nullptr;
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(6,
                                 {key(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kGeneric),
                                  key(KESTFW_IO_GENERIC_INIT_ARG), nullptr, key(KESTFW_IO_GENERIC_CONTEXT), &g_ctxOut},
                                 &st);
    ASSERT_EQ(st, 0u);
    EXPECT_EQ(g_ctxOut, &g_channelContext);
    EXPECT_EQ(FW_Exit(h), 0u);
    EXPECT_EQ(g_gen.exitCtx, &g_channelContext);
}

// ---- File channel ------------------------------------------------------------------------------------

namespace {

struct FileCase {
    const char* name;
    std::vector<int> portTypes;  // one message per entry; -1: no port
};
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class FileChannel : public ::testing::TestWithParam<FileCase> {};

}  // namespace

TEST_P(FileChannel, RecordsPortAndMessage) {
    const FileCase& c = GetParam();
    TempDir dir;
    std::string path = dir.file("record");
    // Whatever the file held before is gone once the channel opens it.
    {
        std::ofstream old(path);
        old << "stale bytes from an earlier run";
    }
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(4, {key(KESTFW_IO_FILE_NAME), &path[0]}, &st);
    ASSERT_EQ(st, 0u);
    std::vector<uint8_t> expected;
    uint8_t sequence = 0;
    for (int type : c.portTypes) {
        dvs_port_ port = makePort(type < 0 ? 0 : unsigned(type), "filter-a", 3);
        uint32_t count = 77;
        ASSERT_EQ(FW_GetRuleSetCount(h, type < 0 ? nullptr : &port, nullptr, &count), 0u);
        // No reply comes back: the count is the request's zero body.
        EXPECT_EQ(count, 0u);
        // A port of type 0 names no port: nothing goes in front of the message.
        if (type > 0) expected = concat(expected, portBytes(port));
        expected = concat(expected, countMessage(sequence++));
    }
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(FW_Exit(h), 0u);
    struct stat st2;
    ASSERT_EQ(stat(path.c_str(), &st2), 0);
    const mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(st2.st_mode & 0777, 0644u & ~mask);
}

INSTANTIATE_TEST_SUITE_P(Cases, FileChannel,
                         ::testing::Values(FileCase{"with a port: 136 bytes", {7}},
                                           FileCase{"without a port: 36 bytes", {-1}},
                                           FileCase{"untyped port: 36 bytes", {0}},
                                           FileCase{"three messages appended", {1, -1, 7}}),
                         [](const ::testing::TestParamInfo<FileCase>& i) { return "case" + std::to_string(i.index); });

TEST(FileChannel, FailedWriteFailsTheCommand) {
    // Writing to /dev/full fails with ENOSPC: the control call is reported failed (19) with the reason.
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(4, {key(KESTFW_IO_FILE_NAME), key("/dev/full")}, &st);
    ASSERT_EQ(st, 0u);
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 19u);
    EXPECT_EQ(count, 77u);
    EXPECT_TRUE(log.has(strerror(ENOSPC)));
    EXPECT_EQ(FW_Exit(h), 0u);
}

// ---- Memory channel ----------------------------------------------------------------------------------

namespace {

struct MemoryCase {
    const char* name;
    uint32_t capacity;
    bool port;
    FWStatus_t result;
};
void PrintTo(const MemoryCase& c, std::ostream* os) { *os << c.name; }

class MemoryChannel : public ::testing::TestWithParam<MemoryCase> {};

}  // namespace

TEST_P(MemoryChannel, CapacityDecides) {
    const MemoryCase& c = GetParam();
    std::vector<uint8_t> area(200, 0xEE);
    uint32_t capacity = c.capacity;
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(5, {key(KESTFW_IO_MEMORY), area.data(), key(KESTFW_IO_LENGTH), &capacity}, &st);
    ASSERT_EQ(st, 0u);
    dvs_port_ port = makePort(1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 9);
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, c.port ? &port : nullptr, nullptr, &count), c.result);
    const unsigned needed = c.port ? 136 : 36;
    std::vector<uint8_t> expected(200, 0xEE);
    if (c.result == 0) {
        std::vector<uint8_t> copy = c.port ? concat(portBytes(port), countMessage(0)) : countMessage(0);
        std::copy(copy.begin(), copy.end(), expected.begin());
        EXPECT_EQ(count, 0u);
    } else {
        EXPECT_TRUE(log.has("out of memory while trying to alloc " + std::to_string(needed) + " bytes memory\n"));
        EXPECT_EQ(count, 77u);
    }
    // Nothing beyond the copy is touched, and nothing at all when the area is too small.
    EXPECT_EQ(area, expected);
    EXPECT_EQ(FW_Exit(h), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryChannel,
    ::testing::Values(MemoryCase{"100 bytes with a port", 100, true, 8},
                      MemoryCase{"100 bytes without a port", 100, false, 0},
                      MemoryCase{"exactly 136 with a port", 136, true, 0}, MemoryCase{"135 with a port", 135, true, 8},
                      MemoryCase{"exactly 36 without a port", 36, false, 0},
                      MemoryCase{"35 without a port", 35, false, 8}, MemoryCase{"nothing", 0, false, 8}),
    [](const ::testing::TestParamInfo<MemoryCase>& i) { return "case" + std::to_string(i.index); });

TEST(MemoryChannel, EachMessageOverwritesTheLast) {
    std::vector<uint8_t> area(200, 0xEE);
    CKestFWLibHandle h;
    h.setIOChannel(CKestFWIOChannelFactory::newIOChannel(5, static_cast<void*>(area.data()), 200u));
    dvs_port_ port = makePort(7, "filter-a", 0);
    PatternCmd big(&port, 40, 5, 0x11);  // 100 + 72 bytes
    ASSERT_EQ(kfwExecuteCommand(big, &h, nullptr), 0u);
    EXPECT_EQ(area[100 + 32], 0x11);
    PatternCmd small(nullptr, 4, 1, 0x22);  // 36 bytes at the start; the rest keeps the first copy
    ASSERT_EQ(kfwExecuteCommand(small, &h, nullptr), 0u);
    EXPECT_EQ(std::vector<uint8_t>(area.begin() + 32, area.begin() + 36), std::vector<uint8_t>(4, 0x22));
    EXPECT_EQ(area[100 + 32], 0x11);
    EXPECT_EQ(area[172], 0xEE);
}

// ---- Generic channel ---------------------------------------------------------------------------------

namespace {

struct GenericCase {
    const char* name;
    int requestResult;
    int requestErrno;
    uint32_t answer;
    FWStatus_t result;
    const char* log;
};
void PrintTo(const GenericCase& c, std::ostream* os) { *os << c.name; }

class GenericChannel : public ::testing::TestWithParam<GenericCase> {};

}  // namespace

TEST_P(GenericChannel, RequestDecides) {
    const GenericCase& c = GetParam();
    g_gen = GenericLog();
    g_gen.requestResult = c.requestResult;
    g_gen.requestErrno = c.requestErrno;
    g_gen.answer = c.answer;
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(6, {key(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kGeneric)}, &st);
    ASSERT_EQ(st, 0u);
    dvs_port_ port = makePort(7, "filter-a", 0);
    int callerCtx = 0;
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, &port, &callerCtx, &count), c.result);
    EXPECT_EQ(count, c.result == 0 ? c.answer : 77u);
    EXPECT_EQ(g_gen.requests, 1);
    // The port is not passed on: the request sees the message alone, and both contexts.
    EXPECT_EQ(g_gen.lastMessage, countMessage(0));
    EXPECT_EQ(g_gen.requestCtx, &g_channelContext);
    EXPECT_EQ(g_gen.callerCtx, &callerCtx);
    if (c.log != nullptr) {
        EXPECT_TRUE(log.has(c.log)) << c.log;
    }
    EXPECT_EQ(FW_Exit(h), 0u);
    EXPECT_EQ(g_gen.exits, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GenericChannel,
    ::testing::Values(GenericCase{"request leaves the message", 0, 0, 0, 0, nullptr},
                      GenericCase{"request answers in place", 0, 0, 42, 0, nullptr},
                      GenericCase{"request fails with 12", 12, 0, 0, 19,
                                  "failed to write message to generic io: cannot load file\n"},
                      GenericCase{"request fails out of memory", 8, ENOMEM, 0, 65,
                                  "failed to write message to generic io: out of memory\n"},
                      GenericCase{"request fails with an unknown code", 500, EIO, 0, 19,
                                  "failed to write message to generic io: unknown error code: 500\n"}),
    [](const ::testing::TestParamInfo<GenericCase>& i) { return "case" + std::to_string(i.index); });

namespace {

struct GenericBuildCase {
    const char* name;
    bool table;
    bool init, exit, request;
    int initResult;
    const char* message;
};
void PrintTo(const GenericBuildCase& c, std::ostream* os) { *os << c.name; }

class GenericChannelBuild : public ::testing::TestWithParam<GenericBuildCase> {};

}  // namespace

TEST_P(GenericChannelBuild, RefusedTablesAndFailedInit) {
    const GenericBuildCase& c = GetParam();
    g_gen = GenericLog();
    g_gen.initResult = c.initResult;
    FWLibGenericIO_ ops = {c.init ? genInit : nullptr, c.exit ? genExit : nullptr, c.request ? genRequest : nullptr,
                           nullptr};
    void* ctx = &g_reserved;
    try {
        delete new CKestFWIOChannelGeneric(c.table ? &ops : nullptr, nullptr, &ctx);
        ADD_FAILURE() << "built";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), 7u);
        EXPECT_STREQ(e.what(), c.message);
    }
    // A channel that was never built is never closed, and the caller's context is left alone.
    EXPECT_EQ(g_gen.exits, 0);
    EXPECT_EQ(ctx, &g_reserved);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GenericChannelBuild,
    ::testing::Values(
        GenericBuildCase{"no table", false, true, true, true, 0, "invalid generic io ops"},
        GenericBuildCase{"nothing in it", true, false, false, false, 0, "invalid generic io request function"},
        GenericBuildCase{"no init", true, false, true, true, 0, "invalid generic io init function"},
        GenericBuildCase{"no exit", true, true, false, true, 0, "invalid generic io exit function"},
        GenericBuildCase{"init fails", true, true, true, true, 1, "failed to initialize generic io channel"}),
    [](const ::testing::TestParamInfo<GenericBuildCase>& i) { return "case" + std::to_string(i.index); });
