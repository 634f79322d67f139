// C++ user of the exported header: the same declarations must compile as C++17 (linkage, enums,
// struct tags, inline helpers) and resolve to the library's unmangled symbols.
#include <kestfw/kestfw.h>

#include <cstdio>
#include <cstring>

namespace {

using AnyFn = void (*)();
#define KFW_FN(name) reinterpret_cast<AnyFn>(&name),
const AnyFn kFunctions[] = {
#include "exported_functions.h"
};
#undef KFW_FN

}  // namespace

int main() {
    for (AnyFn f : kFunctions)
        if (f == nullptr) return 1;
    if (std::strcmp(FW_StatusToString(0), "ok") != 0) return 1;
    fwlibhandle_* h = nullptr;
    if (FW_Initialize(0x10000, nullptr, 1, 0, nullptr, &h) != 3) return 1;
    std::printf("c++ header ok: %zu functions\n", sizeof kFunctions / sizeof kFunctions[0]);
    return 0;
}
