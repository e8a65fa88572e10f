/* docprop.c - writes a print job's properties to a document-property file
 * and reads them back: DMA_ExtractDocPropEx, then DMA_ReplaceDocProp with
 * its size query.
 *
 *   cc -std=c11 docprop.c $(pkg-config --cflags --libs dmaccess)
 *
 * A file holds up to four sections in this order: "NDEV001", "TMBINFO",
 * "SPINFO" and the fax section (a fax-address block with its entries).  The
 * caller builds each section whole, header included; the library moves the
 * payloads and does not interpret them.  The file's path is a setting
 * (DMA ID 0x176), not an argument.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <dmaccess/dmaccess.h>

#define ID_DOCPROP_PATH DMA_ID_DOCPROP_PATH /* 0x176: the file to write and read */
#define ID_FAX_HEADER1  DMA_ID_FAX_HEADER1  /* 0xA001: first header line of the fax block */

/* A UTF-16 signature: one unit per ASCII character, zeros after it. */
static void put_signature(DMA_WCHAR *field, size_t units, const char *text) {
    for (size_t i = 0; i < units; ++i) field[i] = (DMA_WCHAR)(*text ? *text++ : 0);
}

/* A section: the header the caller filled, then the payload text, in one
 * allocation.  `payload_size` is the header's own size field, set here. */
static void *make_section(void *header, size_t header_size, uint32_t *payload_size,
                          const char *payload, uint32_t *size) {
    *payload_size = (uint32_t)strlen(payload);
    *size = (uint32_t)header_size + *payload_size;
    unsigned char *section = malloc(*size);
    if (section == NULL) return NULL;
    memcpy(section, header, header_size);
    memcpy(section + header_size, payload, *payload_size);
    return section;
}

static void *make_ndev(const char *payload, uint32_t *size) {
    DmaNdevHeader header;
    memset(&header, 0, sizeof header);
    put_signature(header.signature, 8, DMA_NDEV_SIGNATURE);
    header.magic = DMA_NDEV_MAGIC;
    return make_section(&header, sizeof header, &header.payloadSize, payload, size);
}

static void *make_tmbinfo(const char *payload, uint32_t *size) {
    DmaTmbInfoHeader header;
    memset(&header, 0, sizeof header);
    put_signature(header.signature, 8, DMA_TMBINFO_SIGNATURE);
    return make_section(&header, sizeof header, &header.payloadSize, payload, size);
}

static void *make_spinfo(const char *payload, uint32_t *size) {
    DmaSpInfoHeader header;
    memset(&header, 0, sizeof header);
    put_signature(header.signature, 7, DMA_SPINFO_SIGNATURE);
    return make_section(&header, sizeof header, &header.payloadSize, payload, size);
}

/* Prints a section's payload, which follows a header of header_size bytes
 * whose last four bytes are the payload size. */
static void print_payload(const char *name, const void *section, size_t header_size) {
    uint32_t payload_size;
    memcpy(&payload_size, (const unsigned char *)section + header_size - 4, sizeof payload_size);
    printf("  %-8s \"%.*s\"\n", name, (int)payload_size,
           (const char *)section + header_size);
}

int main(void) {
    void *devMode = calloc(1, DMA_DEVMODE_MIN_SIZE);
    void *secondary = calloc(1, DMA_SECONDARY_MIN_SIZE);
    /* A fax block with one (empty) destination entry. */
    FaxAddressBlock *fax = calloc(1, DMA_FAX_BLOCK_SIZE(1));
    if (devMode == NULL || secondary == NULL || fax == NULL) return 2;
    put_signature(fax->signature, 8, DMA_FAX_SIGNATURE);
    fax->count = 1;

    DmaContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode;
    ctx.secondary = secondary;
    ctx.faxAddressBlock = fax;
    /* The fax header texts are reached by DMA_GetStringData and
     * DMA_SetStringData only (not by their _StrLength forms). */
    const char *sender = "Sales office";
    if (DMA_SetStringData(&ctx, ID_FAX_HEADER1, sender, (uint32_t)strlen(sender) + 1) != DMA_OK ||
        DMA_SetStringData_StrLength(&ctx, ID_DOCPROP_PATH, "job.prop") != DMA_OK) {
        printf("setting the fax header or the path failed\n");
        return 1;
    }

    /* Write the four sections. */
    DocPropBuffers out;
    memset(&out, 0, sizeof out);
    out.ndev = make_ndev("paper=A4;copies=3", &out.ndevSize);
    out.tmbInfo = make_tmbinfo("thumbnail", &out.tmbInfoSize);
    out.spInfo = make_spinfo("spool", &out.spInfoSize);
    out.faxBlock = fax;
    out.faxBlockSize = DMA_FAX_BLOCK_SIZE(fax->count);
    if (out.ndev == NULL || out.tmbInfo == NULL || out.spInfo == NULL) return 2;
    printf("extract to job.prop: %d\n", (int)DMA_ExtractDocPropEx(&ctx, &out));

    /* Read it back.  Without buffers the call answers with the size of each
     * section (0 for a section the file lacks). */
    DocPropBuffers in;
    memset(&in, 0, sizeof in);
    DMA_RESULT rc = DMA_ReplaceDocProp(&ctx, &in);
    printf("size query: %d%s\n", (int)rc, rc == DMA_E_MORE_DATA ? " (DMA_E_MORE_DATA)" : "");
    printf("  NDEV001 %u, TMBINFO %u, SPINFO %u, fax %u bytes\n", (unsigned)in.ndevSize,
           (unsigned)in.tmbInfoSize, (unsigned)in.spInfoSize, (unsigned)in.faxBlockSize);
    in.ndev = malloc(in.ndevSize);
    in.tmbInfo = malloc(in.tmbInfoSize);
    in.spInfo = malloc(in.spInfoSize);
    in.faxBlock = malloc(in.faxBlockSize);
    if (in.ndev == NULL || in.tmbInfo == NULL || in.spInfo == NULL || in.faxBlock == NULL)
        return 2;
    printf("replace from job.prop: %d\n", (int)DMA_ReplaceDocProp(&ctx, &in));
    print_payload("NDEV001", in.ndev, sizeof(DmaNdevHeader));
    print_payload("TMBINFO", in.tmbInfo, sizeof(DmaTmbInfoHeader));
    print_payload("SPINFO", in.spInfo, sizeof(DmaSpInfoHeader));

    /* The fax section read back is a fax-address block of its own. */
    ctx.faxAddressBlock = in.faxBlock;
    uint16_t count = 0;
    char header[64];
    uint32_t length = sizeof header;
    if (DMA_GetFaxAddressNum(in.faxBlock, &count) == DMA_OK &&
        DMA_GetStringData(&ctx, ID_FAX_HEADER1, header, &length) == DMA_OK)
        printf("  fax      %u destination, header \"%s\"\n", (unsigned)count, header);
    printf("sections equal: %s\n",
           memcmp(in.ndev, out.ndev, out.ndevSize) == 0 &&
                   memcmp(in.tmbInfo, out.tmbInfo, out.tmbInfoSize) == 0 &&
                   memcmp(in.spInfo, out.spInfo, out.spInfoSize) == 0 &&
                   memcmp(in.faxBlock, out.faxBlock, out.faxBlockSize) == 0
               ? "yes"
               : "no");

    remove("job.prop");
    free(in.ndev);
    free(in.tmbInfo);
    free(in.spInfo);
    free(in.faxBlock);
    free(out.ndev);
    free(out.tmbInfo);
    free(out.spInfo);
    free(fax);
    free(devMode);
    free(secondary);
    return 0;
}
