// check and load: configuration text in, parsed (and for load, sent) command lists out.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "Ctl.h"

namespace kestfwctl {

SourceText readSource(const std::string& path) {
    SourceText source;
    if (path == "-") {
        source.name = "<stdin>";
        source.text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        source.name = path;
        FILE* file = fopen(path.c_str(), "rb");
        if (file == nullptr) throw CtlError(kExitUsage, path + ": " + strerror(errno));
        char chunk[65536];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) source.text.append(chunk, got);
        // A directory opens but does not read.
        bool failed = ferror(file) != 0;
        int err = errno;
        fclose(file);
        if (failed) throw CtlError(kExitUsage, path + ": " + strerror(err));
    }
    // Text only: a NUL or another control character means the bytes are not a configuration at all,
    // and echoing them back in a parse error would only garble the terminal.
    for (size_t i = 0; i < source.text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(source.text[i]);
        if (c < 0x20 && c != '\n' && c != '\t' && c != '\r' && c != '\f')
            throw CtlError(kExitRefused, source.name + ": not a configuration text (binary byte at offset " +
                                             std::to_string(i) + ")");
    }
    if (source.text.find_first_not_of(" \t\r\n\f") == std::string::npos)
        throw CtlError(kExitRefused, source.name + ": empty configuration, no statements");
    return source;
}

namespace {

// "NAME:LINE:COL: error: MESSAGE", then the source line and a caret under the offending token.
void reportParseError(const SourceText& source, FWStatus_t status) {
    FWParseError_ error;
    if (FW_GetLastParseError(&error) != 0 || error.line == 0) {
        std::cerr << source.name << ": error: " << FW_StatusToString(status) << " (" << status << ")\n";
        return;
    }
    std::cerr << source.name << ':' << error.line << ':' << error.firstColumn << ": error: " << error.message << '\n';
    std::istringstream lines(source.text);
    std::string line;
    for (unsigned int n = 0; n < error.line && std::getline(lines, line); ++n) {
    }
    if (!lines && line.empty()) return;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    std::cerr << line << '\n';
    // Tabs stay tabs so the caret lines up under the token whatever the terminal's tab width.
    std::string caret;
    for (unsigned int col = 1; col < error.firstColumn; ++col)
        caret += col - 1 < line.size() && line[col - 1] == '\t' ? '\t' : ' ';
    caret += '^';
    for (unsigned int col = error.firstColumn + 1; col <= error.lastColumn; ++col) caret += '~';
    std::cerr << caret << '\n';
}

}  // namespace

LoadedConfig::LoadedConfig(const SourceText& source) {
    FILE* stream = fmemopen(const_cast<char*>(source.text.data()), source.text.size(), "r");
    if (stream == nullptr) throw CtlError(kExitRefused, source.name + ": " + strerror(errno));
    FWStatus_t status = FW_LoadConfigFile2(stream, source.name.c_str(), &m_channelHandle, &m_list);
    fclose(stream);
    if (status != 0) {
        reportParseError(source, status);
        throw CtlError(kExitRefused, "");
    }
}

LoadedConfig::~LoadedConfig() {
    if (m_list != nullptr) FW_FreeConfigFile(m_list);
    // A "config socket/file" statement in the text opened a channel of its own: the tool's channel
    // options choose where commands go, so that handle is only closed.
    releaseHandle(m_channelHandle);
}

std::string LoadedConfig::text() const {
    unsigned int needed = 0;
    FWStatus_t status = FW_WriteConfigText(m_list, nullptr, 0, &needed);
    if (status != 0 && status != 8) require(status, "cannot write the statements back");
    std::string out(needed, '\0');
    require(FW_WriteConfigText(m_list, &out[0], needed, &needed), "cannot write the statements back");
    out.resize(strnlen(out.data(), out.size()));
    return out;
}

std::vector<Statement> splitStatements(const std::string& text) {
    std::vector<Statement> out;
    unsigned int line = 1, startLine = 0, depth = 0;
    std::string::size_type start = std::string::npos;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            continue;
        }
        if (c == '#') {  // to the end of the line
            while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            std::string::size_type end = text.find("*/", i + 2);
            end = end == std::string::npos ? text.size() : end + 2;
            for (std::string::size_type k = i; k < end; ++k) line += text[k] == '\n';
            i = end - 1;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f') continue;
        if (start == std::string::npos) {
            start = i;
            startLine = line;
        }
        if (c == '"' || c == '\'') {
            std::string::size_type end = text.find(c, i + 1);
            end = end == std::string::npos ? text.size() - 1 : end;
            for (std::string::size_type k = i; k <= end; ++k) line += text[k] == '\n';
            i = end;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            depth -= depth > 0;
        } else if (c == ';' && depth == 0) {
            out.push_back({text.substr(start, i + 1 - start), startLine});
            start = std::string::npos;
        }
    }
    if (start != std::string::npos) out.push_back({text.substr(start), startLine});
    return out;
}

int runCheck(const std::string& path, bool quiet) {
    LoadedConfig config(readSource(path));
    if (!quiet) std::cout << config.text();
    return kExitOk;
}

namespace {

// What a dry run would have sent: every message passes through here and is answered in place with
// status 0, as an accepting kernel would.
struct DryRunTally {
    unsigned long messages = 0;
    unsigned long commands = 0;
    unsigned long bytes = 0;
};

int dryInit(void* arg, void** ctx) {
    *ctx = arg;
    return 0;
}

void dryExit(void*) {}

int dryRequest(void* ctx, void* msg, unsigned int msgLen, void*) {
    DryRunTally* tally = static_cast<DryRunTally*>(ctx);
    const unsigned char* bytes = static_cast<const unsigned char*>(msg);
    tally->messages += 1;
    tally->bytes += msgLen;
    // The command count sits at offset 16 of the 20-byte message header, little-endian.
    if (msgLen >= 20) tally->commands += unsigned(bytes[16]) | unsigned(bytes[17]) << 8;
    return 0;
}

}  // namespace

int runLoad(const ChannelOptions& channel, const std::string& argv0, const SourceText& source, bool dryRun) {
    LoadedConfig config(source);
    if (dryRun) {
        DryRunTally tally;
        FWLibGenericIO_ io = {dryInit, dryExit, dryRequest, nullptr};
        void* args[] = {const_cast<char*>(KESTFW_IO_GENERIC_IO), &io, const_cast<char*>(KESTFW_IO_GENERIC_INIT_ARG),
                        &tally};
        int reserved = 0;
        fwlibhandle_* handle = nullptr;
        require(FW_Initialize(0x10000, &reserved, FW_IO_GENERIC, 4, args, &handle), "cannot open the dry-run channel");
        FWStatus_t status = FW_EvaluateConfigFile(handle, config.list(), nullptr, nullptr);
        releaseHandle(handle);
        require(status, source.name + ": dry run");
        std::cout << source.name << ": " << tally.messages << " messages, " << tally.commands << " commands, "
                  << tally.bytes << " bytes\n";
        return kExitOk;
    }
    Session session(channel, argv0);
    // Statement by statement, so a refusal can name the line of the statement the kernel refused. A
    // "config" statement changes how the statements after it are read, and batched sending packs
    // statements together: such texts go as one list.
    const std::string normalised = config.text();
    const bool asOneList = getenv("kestfwlib_exec_batch_cmd") != nullptr || normalised.compare(0, 7, "config ") == 0 ||
                           normalised.find("\nconfig ") != std::string::npos;
    if (asOneList) {
        require(FW_EvaluateConfigFile(session.handle(), config.list(), nullptr, nullptr), source.name + ": load");
        return kExitOk;
    }
    FWStatus_t status = 0;
    for (const Statement& statement : splitStatements(source.text)) {
        LoadedConfig piece(SourceText{source.name, statement.text});
        status = FW_EvaluateConfigFile(session.handle(), piece.list(), nullptr, nullptr);
        // A statement for a switch port the kernel does not know is passed over, as in a whole list.
        if (status != 0 && status != kStatusPortNotFound)
            throw CtlError(kExitRefused,
                           statusMessage(source.name + ":" + std::to_string(statement.line) + ": load", status));
    }
    require(status, source.name + ": load");
    return kExitOk;
}

}  // namespace kestfwctl
