// The doors to the configuration language: load a text into a command list (and a new handle when
// the text names a channel), evaluate a list on a handle, free it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmdConfig.h"
#include "cmd/KestFWCmdList.h"
#include "kestfw/kestfw_config.h"
#include "lang/KestFWLexTypes.h"
#include "lang/KestFWParseSupport.h"
#include "lang/kestfw_parser.hpp"

typedef struct yy_buffer_state* YY_BUFFER_STATE;
int yylex_init(void** scanner);
int yylex_destroy(void* scanner);
void yyset_extra(fw_lex_extra_* extra, void* scanner);
YY_BUFFER_STATE yy_scan_string(const char* text, void* scanner);
void yy_delete_buffer(YY_BUFFER_STATE buffer, void* scanner);
void yyset_in(FILE* in, void* scanner);
void yyset_lineno(int line, void* scanner);

namespace KestFirewall {

namespace {

// One parse over a string (`text`) or a stream (`file`); the outputs are set only on success.
FWStatus_t loadConfig(const KfwApiSite& site, const char* text, FILE* file, const char* name, fwlibhandle_** newHandle,
                      void** configHandle) {
    const bool fromFile = file != nullptr;
    fw_lex_extra_ extra;
    memset(&extra, 0, sizeof extra);
    void* scanner = nullptr;
    if (yylex_init(&scanner) != 0) return 8;
    yyset_extra(&extra, scanner);
    YY_BUFFER_STATE buffer = nullptr;
    if (fromFile) {
        yyset_in(file, scanner);
    } else {
        buffer = yy_scan_string(text, scanner);
        if (buffer == nullptr) {
            yylex_destroy(scanner);
            return 8;
        }
        yyset_lineno(1, scanner);
    }
    const char* inputName = fromFile ? name : "<cmd>";

    FWStatus_t status = 0;
    CKestFWCmdList* list = nullptr;
    CKestFWCmdConfig* config = nullptr;
    struct Cleanup {
        void* scanner;
        YY_BUFFER_STATE buffer;
        CKestFWCmdList*& list;
        CKestFWCmdConfig*& config;
        ~Cleanup() {
            if (buffer != nullptr) yy_delete_buffer(buffer, scanner);
            yylex_destroy(scanner);
            if (list != nullptr || config != nullptr) KFW_DEBUG(KFW_COMP_API, 1, "delete cmd list/config\n");
            delete list;
            delete config;
        }
    } cleanup{scanner, buffer, list, config};

    int result = 0;
    try {
        result = yyparse(&status, scanner, inputName, &list, &config);
    } catch (const CKestFWException& e) {
        // A value the object model refused: the place is the scanner's, the status the exception's.
        CKestFWParseState::recordError(inputName, 0, 0, 0, e.retcode(), e.what());
        throw;
    }
    if (result != 0) {
        KFW_DEBUG(KFW_COMP_API, 1, "%s\n",
                  fromFile ? "failed to parse config file." : "failed to parse config string.");
        return status != 0 ? status : 16;
    }
    if (config != nullptr) {
        KFW_DEBUG(KFW_COMP_API, 1, "%s\n",
                  fromFile ? "loading new IO channel from config file." : "loading new IO channel.");
        fwlibhandle_* handle = nullptr;
        FWStatus_t loaded = config->eval(&handle);
        KFW_DEBUG(KFW_COMP_API, 1, "delete cmd list/config\n");
        delete config;
        config = nullptr;
        if (loaded != 0) {
            KFW_DEBUG(KFW_COMP_API, 1, "%s: %d.\n",
                      fromFile ? "failed to load new IO channel from config file" : "failed to load new IO channel",
                      int(loaded));
            return loaded;
        }
        *newHandle = handle;
    }
    if (list != nullptr) {
        KFW_DEBUG(KFW_COMP_API, 1, "%s\n", fromFile ? "obtained config file handle." : "obtained config handle.");
        *configHandle = list;
        list = nullptr;
    }
    (void)site;
    return 0;
}

}  // namespace

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_LoadConfigString(const char* text, fwlibhandle_** newHandle, void** configHandle) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(text != nullptr && newHandle != nullptr && configHandle != nullptr);
    KFW_API_RUN(
        [&]() -> FWStatus_t { return loadConfig(kfwApiSite_, text, nullptr, nullptr, newHandle, configHandle); });
}

FWStatus_t FW_LoadConfigFile2(FILE* file, const char* name, fwlibhandle_** newHandle, void** configHandle) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(file != nullptr && name != nullptr && newHandle != nullptr && configHandle != nullptr);
    *configHandle = nullptr;
    KFW_API_RUN([&]() -> FWStatus_t { return loadConfig(kfwApiSite_, nullptr, file, name, newHandle, configHandle); });
}

FWStatus_t FW_LoadConfigFile(const char* path, fwlibhandle_** newHandle, void** configHandle) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(path != nullptr && newHandle != nullptr && configHandle != nullptr);
    FILE* file = fopen(path, "r");
    if (file == nullptr) {
        int err = errno;
        KFW_ERROR("failed to open file %s - %d %s\n", path, err, strerror(err));
        KFW_API_RETURN(12);
    }
    FWStatus_t status = FW_LoadConfigFile2(file, path, newHandle, configHandle);
    fclose(file);
    KFW_API_RETURN(status);
}

FWStatus_t FW_EvaluateConfigFile(fwlibhandle_* handle, void* configHandle, dvs_port_* port, void* ctx) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(handle != nullptr && configHandle != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return static_cast<CKestFWCmdList*>(configHandle)->eval(handle, port, ctx); });
}

FWStatus_t FW_FreeConfigFile(void* configHandle) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(configHandle != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        delete static_cast<CKestFWCmdList*>(configHandle);
        return 0;
    });
}
