// Shared pieces of kestfwctl: its exit codes, the error that carries one, the channel a subcommand
// talks through, and the subcommands themselves.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kestfw/kestfw.h"

namespace kestfwctl {

// 0 done; 1 the policy text or the kernel refused; 2 the command line or its files were unusable.
enum ExitCode { kExitOk = 0, kExitRefused = 1, kExitUsage = 2 };

// Everything that ends a subcommand early: the one-line message goes to stderr, the code is the
// process's exit code.
class CtlError : public std::runtime_error {
public:
    CtlError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// "<what>: <status text> (<code>)", the form every kernel or library refusal is reported in.
std::string statusMessage(const std::string& what, FWStatus_t status);
// Throws a refusal (exit 1) when `status` is not 0.
void require(FWStatus_t status, const std::string& what);

// Where the commands go; at most one of the channel options is set (none: the control device).
struct ChannelOptions {
    std::string device;
    std::string socket;  // HOST:PORT
    std::string file;
    bool sim = false;
};

// The control device the library opens, and whether it opens at all.
const char* controlDevicePath();
bool controlDeviceOpens();
// FW_Exit where the library can do it without a control device in the way.
void releaseHandle(fwlibhandle_* handle);

// A private kestsimd for one invocation: started on a free loopback port, stopped on destruction.
class PrivateSimulator {
public:
    explicit PrivateSimulator(const std::string& program);
    ~PrivateSimulator();
    PrivateSimulator(const PrivateSimulator&) = delete;
    PrivateSimulator& operator=(const PrivateSimulator&) = delete;
    const std::string& port() const { return m_port; }

private:
    int m_pid = -1;
    std::string m_port;
};

// The library handle of one invocation on the chosen channel.
class Session {
public:
    Session(const ChannelOptions& options, const std::string& argv0);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    fwlibhandle_* handle() const { return m_handle; }

private:
    void initialize(int ioType, std::vector<std::string> args, const std::string& where);

    std::unique_ptr<PrivateSimulator> m_sim;
    fwlibhandle_* m_handle = nullptr;
    bool m_owned = false;
};

// A configuration text and the name it is reported under.
struct SourceText {
    std::string name;
    std::string text;
};
// Reads FILE, or standard input for "-"; an unreadable or missing file is a usage error.
SourceText readSource(const std::string& path);

// One statement of a configuration text and the line it starts on.
struct Statement {
    std::string text;
    unsigned int line;
};
// The text cut at every ";" outside braces, quotes and comments.
std::vector<Statement> splitStatements(const std::string& text);

// 21: the kernel knows no such switch port.
constexpr FWStatus_t kStatusPortNotFound = 21;

// A loaded command list, freed on destruction.
class LoadedConfig {
public:
    // Parses without contacting the kernel; a parse error is printed as "FILE:LINE:COL: error: ..."
    // with the source line and a caret, and raised as a refusal.
    explicit LoadedConfig(const SourceText& source);
    ~LoadedConfig();
    LoadedConfig(const LoadedConfig&) = delete;
    LoadedConfig& operator=(const LoadedConfig&) = delete;
    void* list() const { return m_list; }
    // The normalised statements, one a line.
    std::string text() const;

private:
    void* m_list = nullptr;
    fwlibhandle_* m_channelHandle = nullptr;
};

// The rule text of one record as the language writes it, without the final ";".
std::string ruleText(const FWRule_& rule);
std::string addressText(const FWAddress_& address);

// Printer for the library's reports: every line to stdout.
int printToStdout(void* context, const char* format, ...);

int runCheck(const std::string& path, bool quiet);
int runLoad(const ChannelOptions& channel, const std::string& argv0, const SourceText& source, bool dryRun);
int runShow(const ChannelOptions& channel, const std::string& argv0, const std::string& what, const std::string& name,
            bool json);
int runSave(const ChannelOptions& channel, const std::string& argv0);
int runDiff(const ChannelOptions& channel, const std::string& argv0, const std::string& path);

}  // namespace kestfwctl
