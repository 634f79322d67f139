/* Plain C user of the exported header: it must compile as C99 and link against libkestfw alone. */
#include <kestfw/kestfw.h>
#include <stdio.h>
#include <string.h>

/* The address of every exported function, through the declarations of kestfw.h alone. */
typedef void (*any_fn)(void);
#define KFW_FN(name) (any_fn)name,
static const any_fn kFunctions[] = {
#include "exported_functions.h"
};
#undef KFW_FN

int main(void) {
    dvs_port_ port;

    memset(&port, 0, sizeof port);
    if (sizeof(dvs_port_) != 100 || sizeof(FWRuleSetID_t) != 64 || sizeof(FWAddrSetID_t) != 38) {
        fprintf(stderr, "record sizes differ\n");
        return 1;
    }
    if (strcmp(FW_StatusToString(0), "ok") != 0) return 1;
    {
        /* Without the reserved pointer no handle is made. */
        fwlibhandle_* h = (fwlibhandle_*)&port;
        if (FW_Initialize(0x10000, NULL, 1, 0, NULL, &h) != 3) return 1;
    }
    {
        size_t i;
        for (i = 0; i < sizeof kFunctions / sizeof kFunctions[0]; ++i)
            if (kFunctions[i] == NULL) return 1;
    }
    printf("c header ok: %u functions\n", (unsigned)(sizeof kFunctions / sizeof kFunctions[0]));
    return 0;
}
