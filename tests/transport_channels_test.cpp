// Channels without the kernel (file, caller's memory area, caller's functions) and the FW_Initialize
// arguments that build them; the rule-set count is the message sent throughout.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kestfw/kestfw.h"
#include "support/FdCount.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "support/WireBytes.h"
#include "transport/KestFWIOChannelGeneric.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

int g_reserved = 0;

Bytes portBytes(const dvs_port_& p) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&p);
    return Bytes(b, b + sizeof p);
}

Bytes& operator+=(Bytes& a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TempFile {
    std::string path = ::testing::TempDir() + "kestfw-chan-" + std::to_string(getpid());
    ~TempFile() { unlink(path.c_str()); }
};

void* key(const char* k) { return const_cast<char*>(k); }
template <typename... T>
std::vector<void*> values(T... v) {
    return {static_cast<void*>(v)...};
}

// FW_Initialize with the values of a channel's arguments, each behind its key.
fwlibhandle_* initialize(int type, std::vector<void*> values, FWStatus_t* status) {
    const std::vector<const char*> keys =
        type == FW_IO_FILE     ? std::vector<const char*>{KESTFW_IO_FILE_NAME}
        : type == FW_IO_MEMORY ? std::vector<const char*>{KESTFW_IO_MEMORY, KESTFW_IO_LENGTH}
        : type == FW_IO_GENERIC
            ? std::vector<const char*>{KESTFW_IO_GENERIC_IO, KESTFW_IO_GENERIC_INIT_ARG, KESTFW_IO_GENERIC_CONTEXT}
            : std::vector<const char*>{KESTFW_IO_ADDRESS, KESTFW_IO_PORT};
    std::vector<void*> args;
    for (size_t i = 0; i < values.size(); ++i) args.insert(args.end(), {key(keys[i]), values[i]});
    fwlibhandle_* h = nullptr;
    *status = FW_Initialize(0x10000, &g_reserved, type, int(args.size()), args.data(), &h);
    return h;
}

// A generic channel that records what it is given and answers as told.
struct GenericLog {
    int inits = 0, exits = 0, requests = 0;
    void *initArg = nullptr, *exitCtx = nullptr, *requestCtx = nullptr, *callerCtx = nullptr;
    Bytes lastMessage;
    int initResult = 0, requestResult = 0, requestErrno = 0;
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
void* generic() { return const_cast<FWLibGenericIO_*>(&kGeneric); }

uint8_t g_area[256];
void* const g_initArg = &g_area[7];
void* g_ctxOut = nullptr;

TEST(ChannelArguments, ThatDescribeNoChannelAreRefusedWithItsCode) {
    const struct {
        int ioType;
        std::vector<void*> values;
        FWStatus_t result;
        const char* log;
    } cases[] = {{FW_IO_FILE, values(key("/nonexistent-kestfw/x")), 12,
                  "error 12: /nonexistent-kestfw/x : No such file or directory\n"},
                 {FW_IO_FILE, values(nullptr), 12, "error 12: (no file name) : Invalid argument\n"},
                 {FW_IO_MEMORY, values(g_area, nullptr), 10, "error 10: cannot initialize IO channel: 5\n"},
                 {FW_IO_SOCKET, values(nullptr, key("1")), 5, "cannot connect without an address (addr)\n"}};
    for (const auto& c : cases) {
        LogCapture log;
        FWStatus_t st = 0;
        EXPECT_EQ(initialize(c.ioType, c.values, &st), nullptr);
        EXPECT_EQ(st, c.result);
        EXPECT_TRUE(log.has(c.log)) << c.log;
    }
}

TEST(FileChannel, RecordsEachPortAndMessage) {
    TempFile file;
    const std::string& path = file.path;
    std::ofstream(path) << "stale bytes from an earlier run";
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(FW_IO_FILE, {&file.path[0]}, &st);
    ASSERT_EQ(st, 0u);
    // A port of a type names the filter and is written in front of the message (136 bytes in all); no
    // port, or a port of type 0, leaves the message alone (36 bytes). What the file held before is gone.
    Bytes expected;
    uint8_t sequence = 0;
    for (int type : {7, -1, 0, 1}) {
        dvs_port_ port = makePort(type < 0 ? 0 : unsigned(type), "filter-a", 3);
        uint32_t count = 77;
        ASSERT_EQ(FW_GetRuleSetCount(h, type < 0 ? nullptr : &port, nullptr, &count), 0u);
        EXPECT_EQ(count, 0u);  // no reply comes back: the count is the request's zero body
        if (type > 0) expected += portBytes(port);
        expected += countMessage(sequence++);
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), expected);
    EXPECT_EQ(FW_Exit(h), 0u);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    const mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0644u & ~mask);
}

TEST(FileChannel, FailedWriteFailsTheCommand) {
    FWStatus_t st = 0;
    fwlibhandle_* h = initialize(FW_IO_FILE, {key("/dev/full")}, &st);
    ASSERT_EQ(st, 0u);
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 19u);
    EXPECT_EQ(count, 77u);
    EXPECT_TRUE(log.has(strerror(ENOSPC)));
    EXPECT_EQ(FW_Exit(h), 0u);
}

TEST(MemoryChannel, CopiesTheMessageOnlyWhenItFits) {
    const struct {
        uint32_t capacity;
        bool port;
        FWStatus_t result;
    } cases[] = {{136, true, 0}, {135, true, 8}, {36, false, 0}, {35, false, 8}, {0, false, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.capacity) + (c.port ? " with a port" : " without a port"));
        Bytes area(200, 0xEE);
        uint32_t capacity = c.capacity;
        FWStatus_t st = 0;
        fwlibhandle_* h = initialize(FW_IO_MEMORY, {area.data(), &capacity}, &st);
        ASSERT_EQ(st, 0u);
        dvs_port_ port = makePort(1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 9);
        LogCapture log;
        uint32_t count = 77;
        EXPECT_EQ(FW_GetRuleSetCount(h, c.port ? &port : nullptr, nullptr, &count), c.result);
        Bytes expected = c.port ? portBytes(port) : Bytes();
        expected += countMessage(0);
        if (c.result == 0) {
            expected += Bytes(200 - expected.size(), 0xEE);
            EXPECT_EQ(count, 0u);
        } else {
            EXPECT_TRUE(
                log.has("out of memory while trying to alloc " + std::to_string(expected.size()) + " bytes memory\n"));
            expected = Bytes(200, 0xEE);
            EXPECT_EQ(count, 77u);
        }
        EXPECT_EQ(area, expected);
        EXPECT_EQ(FW_Exit(h), 0u);
    }
}

// The request's result decides; the init argument and the context out-pointer are optional.
TEST(GenericChannel, RequestDecides) {
    const struct {
        size_t given;  // of: function table, init argument, context out-pointer
        int requestResult, requestErrno;
        uint32_t answer;
        FWStatus_t result;
        const char* log;
    } cases[] = {{3, 0, 0, 42, 0, ""},
                 {1, 12, 0, 0, 19, "failed to write message to generic io: cannot load file\n"},
                 {2, 8, ENOMEM, 0, 65, "failed to write message to generic io: out of memory\n"},
                 {3, 500, EIO, 0, 19, "failed to write message to generic io: unknown error code: 500\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requestResult);
        g_gen = GenericLog();
        g_gen.requestResult = c.requestResult;
        g_gen.requestErrno = c.requestErrno;
        g_gen.answer = c.answer;
        g_ctxOut = nullptr;
        std::vector<void*> args = values(generic(), g_initArg, &g_ctxOut);
        args.resize(c.given);
        FWStatus_t st = 0;
        fwlibhandle_* h = initialize(FW_IO_GENERIC, args, &st);
        ASSERT_EQ(st, 0u);
        EXPECT_EQ(g_gen.initArg, c.given >= 2 ? g_initArg : nullptr);
        EXPECT_EQ(g_ctxOut, c.given == 3 ? &g_channelContext : nullptr);
        dvs_port_ port = makePort(7, "filter-a", 0);
        int callerCtx = 0;
        LogCapture log;
        uint32_t count = 77;
        EXPECT_EQ(FW_GetRuleSetCount(h, &port, &callerCtx, &count), c.result);
        EXPECT_EQ(count, c.result == 0 ? c.answer : 77u);
        EXPECT_TRUE(!*c.log || log.has(c.log)) << c.log;
        EXPECT_EQ(g_gen.requests, 1);
        EXPECT_EQ(g_gen.lastMessage, countMessage(0));
        EXPECT_EQ(g_gen.requestCtx, &g_channelContext);
        EXPECT_EQ(g_gen.callerCtx, &callerCtx);
        EXPECT_EQ(FW_Exit(h), 0u);
        EXPECT_EQ(g_gen.exitCtx, &g_channelContext);
        EXPECT_EQ(g_gen.inits + g_gen.exits, 2);
    }
}

TEST(GenericChannelBuild, RefusedTablesAndFailedInit) {
    const struct {
        bool table, init, exit, request;
        int initResult;
        const char* message;
    } cases[] = {{false, true, true, true, 0, "invalid generic io ops"},
                 {true, false, false, false, 0, "invalid generic io request function"},
                 {true, true, true, true, 1, "failed to initialize generic io channel"}};
    for (const auto& c : cases) {
        g_gen = GenericLog();
        g_gen.initResult = c.initResult;
        FWLibGenericIO_ ops = {c.init ? genInit : nullptr, c.exit ? genExit : nullptr, c.request ? genRequest : nullptr,
                               nullptr};
        void* ctx = &g_reserved;
        try {
            delete new CKestFWIOChannelGeneric(c.table ? &ops : nullptr, nullptr, &ctx);
            ADD_FAILURE() << "built: " << c.message;
        } catch (const CKestFWException& e) {
            EXPECT_EQ(e.retcode(), 7u);
            EXPECT_STREQ(e.what(), c.message);
        }
        // A channel that was never built is never closed, and the caller's context is left alone.
        EXPECT_EQ(g_gen.exits, 0) << c.message;
        EXPECT_EQ(ctx, &g_reserved) << c.message;
    }
}

}  // namespace
