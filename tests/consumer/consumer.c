/* consumer.c - a C program that uses the installed library the way a driver
 * component would: it sets and reads settings by DMA ID in its own records. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <dmaccess/dmaccess.h>

int main(void) {
    unsigned char *devMode = calloc(1, DMA_DEVMODE_MIN_SIZE);
    unsigned char *secondary = calloc(1, DMA_SECONDARY_MIN_SIZE);
    DmaContext ctx;
    int32_t orientation = 0;
    char name[64];
    uint32_t length = sizeof name;
    int failures = 0;

    if (!devMode || !secondary) return 2;
    memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode;
    ctx.secondary = secondary;

    if (DMA_SetValue(&ctx, 0x7, 2) != DMA_OK) ++failures;           /* dmOrientation */
    if (DMA_GetValue(&ctx, 0x7, &orientation) != DMA_OK || orientation != 2) ++failures;
    if (DMA_SetStringData_StrLength(&ctx, 0x13, "Letter") != DMA_OK) ++failures; /* dmFormName */
    if (DMA_GetStringData_StrLength(&ctx, 0x13, name, &length) != DMA_OK || strcmp(name, "Letter") != 0)
        ++failures;
    if (DMA_QueryStructSize(DMA_KIND_FAX) != DMA_FAX_ENTRY_SIZE) ++failures;
    if (devMode[76] != 2) ++failures; /* the member really is in the caller's record */

    free(devMode);
    free(secondary);
    printf("consumer: %s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
