/* c_header_test.c - the public header as a C11 caller includes it: it must
 * compile as C on both targets, and the records must have the byte layout
 * that C++ code sees (the header's static assertions run here too). */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "dmaccess/dmaccess.h"

#define CHECK(cond)                                                   \
    do {                                                              \
        if (!(cond)) {                                                \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                               \
        }                                                             \
    } while (0)

int main(void) {
    int failures = 0;
    DmaContext ctx;
    DMA_RESULT result = DMA_E_FAILED;
    RawStatus status = DMA_RS_BAD_SIZE;

    memset(&ctx, 0, sizeof ctx);
    CHECK(sizeof(DMA_RESULT) == sizeof(void *));
    CHECK(result == -10);
    CHECK(sizeof(status) == 2 && status == 4);
    CHECK(sizeof(DMA_WCHAR) == 2);
    CHECK(sizeof ctx == 680);
    CHECK(offsetof(DmaContext, kind7Records) == 656);
    CHECK(sizeof(DMA_LOGFONTA) == 60 && sizeof(DMA_LOGFONTW) == 92);
    CHECK(sizeof(FaxAddressEntry) == DMA_FAX_ENTRY_SIZE);
    CHECK(sizeof(FaxAddressBlock) == DMA_FAX_HEADER_SIZE);
    CHECK(sizeof(Kind2Record) == DMA_KIND2_SIZE && sizeof(Kind3Record) == DMA_KIND3_SIZE);
    CHECK(sizeof(Kind4Record) == DMA_KIND4_SIZE && sizeof(Kind7Record) == DMA_KIND7_SIZE);
    CHECK(sizeof(DocPropBuffers) == 64 && sizeof(AttributeRecord) == 12);
    CHECK(sizeof(DmaNdevHeader) + sizeof(DmaTmbInfoHeader) + sizeof(DmaSpInfoHeader) == 64);
    CHECK(DMA_FAX_BLOCK_SIZE(2) == DMA_FAX_HEADER_SIZE + 2 * DMA_FAX_ENTRY_SIZE);
    CHECK(DMA_FAX_BLOCK_SIZE(65535) == 1442u + 820u * 65535u);
    if (failures) fprintf(stderr, "%d layout check(s) failed\n", failures);
    else printf("public header: C layout as expected\n");
    return failures ? 1 : 0;
}
