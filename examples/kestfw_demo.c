/* Prints the number of rule sets of the host-wide filter through the default library handle. */
#include <kestfw/kestfw.h>
#include <stdio.h>

int main(void) {
    fwlibhandle_* handle = FW_GetDefaultLibHandle();
    uint32_t count = 0;
    FWStatus_t status;

    if (handle == NULL) {
        fprintf(stderr, "kestfw_demo: no library handle\n");
        return 1;
    }
    status = FW_GetRuleSetCount(handle, NULL, NULL, &count);
    if (status != 0) {
        fprintf(stderr, "kestfw_demo: rule-set count failed: %u (%s)\n", status, FW_StatusToString(status));
        return 1;
    }
    printf("rule sets: %u\n", count);
    return 0;
}
