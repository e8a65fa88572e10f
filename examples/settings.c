/* settings.c - reads and writes settings by DMA ID: integers, a text with
 * the size query, and a font.
 *
 *   cc -std=c11 settings.c $(pkg-config --cflags --libs dmaccess)
 *
 * The library keeps no records of its own: the caller allocates the
 * DEVMODEW record (with its private part) and the secondary settings record,
 * points a DmaContext at them and passes that to every call.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <dmaccess/dmaccess.h>

/* DMA IDs used here. */
#define ID_ORIENTATION 0x0007 /* dmOrientation: 1 portrait, 2 landscape */
#define ID_COPIES      0x000C /* dmCopies */
#define ID_FORM_NAME   0x0013 /* dmFormName, a text */
#define ID_FONT        0x0130 /* a font setting (LOGFONTA for the caller) */
#define ID_FONT_FACE   0x0131 /* the same font's face name, a text setting */

/* Reads a text setting with the size query that every variable-size read
 * follows: no buffer and a length of 0 ask for the size (the answer is
 * DMA_E_MORE_DATA with the size in bytes, terminator included); the second
 * call reads into a buffer of that size.  A text that fills its whole field
 * comes back without a terminator, so one byte more is kept for it.
 * Returns a malloc'd text, or NULL. */
static char *read_text(DmaContext *ctx, uint32_t id) {
    uint32_t size = 0;
    DMA_RESULT rc = DMA_GetStringData(ctx, id, NULL, &size);
    if (rc != DMA_E_MORE_DATA) {
        printf("size query of 0x%04X: %d\n", (unsigned)id, (int)rc);
        return NULL;
    }
    char *text = malloc((size_t)size + 1);
    if (text == NULL) return NULL;
    rc = DMA_GetStringData(ctx, id, text, &size);
    if (rc != DMA_OK) {
        printf("reading 0x%04X: %d\n", (unsigned)id, (int)rc);
        free(text);
        return NULL;
    }
    text[size] = '\0';
    return text;
}

static int failed(const char *what, DMA_RESULT rc) {
    if (rc == DMA_OK) return 0;
    printf("%s: %d\n", what, (int)rc);
    return 1;
}

int main(void) {
    void *devMode = calloc(1, DMA_DEVMODE_MIN_SIZE);
    void *secondary = calloc(1, DMA_SECONDARY_MIN_SIZE);
    if (devMode == NULL || secondary == NULL) return 2;

    DmaContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode;
    ctx.secondary = secondary;
    int errors = 0;

    /* Integers: every integer setting is read and written as int32_t,
     * whatever its stored width. */
    int32_t orientation = 0, copies = 0;
    errors += failed("set orientation", DMA_SetValue(&ctx, ID_ORIENTATION, 2));
    errors += failed("set copies", DMA_SetValue(&ctx, ID_COPIES, 3));
    errors += failed("get orientation", DMA_GetValue(&ctx, ID_ORIENTATION, &orientation));
    errors += failed("get copies", DMA_GetValue(&ctx, ID_COPIES, &copies));
    printf("orientation: %d, copies: %d\n", (int)orientation, (int)copies);

    /* Texts: ANSI for the caller, stored as UTF-16. */
    uint32_t size = 0;
    errors += failed("set form name", DMA_SetStringData_StrLength(&ctx, ID_FORM_NAME, "Letter"));
    if (DMA_GetStringData(&ctx, ID_FORM_NAME, NULL, &size) == DMA_E_MORE_DATA)
        printf("form name needs a buffer of %u bytes\n", (unsigned)size);
    char *form = read_text(&ctx, ID_FORM_NAME);
    printf("form name: \"%s\"\n", form ? form : "?");
    free(form);

    /* Fonts: the caller's LOGFONTA (DMA_LOGFONTA), always 60 bytes. */
    DMA_LOGFONTA font;
    memset(&font, 0, sizeof font);
    font.lfHeight = -12;
    font.lfWeight = 700;
    strcpy(font.lfFaceName, "Arial");
    errors += failed("set font", DMA_SetLogFontData(&ctx, ID_FONT, &font, sizeof font));
    DMA_LOGFONTA back;
    uint32_t length = sizeof back;
    errors += failed("get font", DMA_GetLogFontData(&ctx, ID_FONT, &back, &length));
    /* The face name is the whole 32-byte field: a 32-character name has no
     * terminator, hence the bound. */
    printf("font: height %d, weight %d, face \"%.*s\"\n", (int)back.lfHeight,
           (int)back.lfWeight, (int)sizeof back.lfFaceName, back.lfFaceName);
    char *face = read_text(&ctx, ID_FONT_FACE);
    printf("its face name as a text setting: \"%s\"\n", face ? face : "?");
    free(face);

    /* A refusal: a text setting read as an integer. */
    int32_t value = 0;
    DMA_RESULT rc = DMA_GetValue(&ctx, ID_FORM_NAME, &value);
    printf("form name read as an integer: %d%s\n", (int)rc,
           rc == DMA_E_IS_STRING ? " (DMA_E_IS_STRING)" : "");

    free(devMode);
    free(secondary);
    return errors ? 1 : 0;
}
