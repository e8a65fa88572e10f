/* records.c - keeps groups of settings in the caller's record array and
 * finds them by name: store the live settings as a named element
 * (DMA_ApplyData), load an element back (DMA_AccessibleData), list the
 * names (DMA_GetNameFromInfo) and delete one (DMA_DeleteData).
 *
 *   cc -std=c11 records.c $(pkg-config --cflags --libs dmaccess)
 *
 * Record kind 3 is used: five text fields (Kind3Record), the first of which
 * is the element's name.  The other named kinds (2, 4, 7) work the same way.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <dmaccess/dmaccess.h>

/* The settings that a kind 3 element holds, one per field. */
#define ID_NAME   0x021B /* the key: the element's name */
#define ID_TEXT   0x021C /* the next field, any text */

#define CAPACITY 3

static intptr_t by_name(const char *name) { return (intptr_t)name; }

static void set_text(DmaContext *ctx, uint32_t id, const char *text) {
    DMA_RESULT rc = DMA_SetStringData_StrLength(ctx, id, text);
    if (rc != DMA_OK) printf("setting 0x%04X to \"%s\": %d\n", (unsigned)id, text, (int)rc);
}

static void print_text(DmaContext *ctx, const char *label, uint32_t id) {
    char text[64];
    uint32_t length = sizeof text;
    DMA_RESULT rc = DMA_GetStringData_StrLength(ctx, id, text, &length);
    if (rc == DMA_OK)
        printf("%s \"%s\"\n", label, text);
    else
        printf("%s: %d\n", label, (int)rc);
}

/* Every element that is not empty, with its state and its name.  The name
 * is read with a size query: no buffer asks for the size (terminator
 * included). */
static void list(const Kind3Record *elements, const uint8_t *states, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (states[i] == DMA_STATE_EMPTY) continue;
        uint32_t size = 0;
        if (DMA_GetNameFromInfo(&elements[i], DMA_KIND_3, &size, NULL) != DMA_E_MORE_DATA) continue;
        char *name = malloc(size);
        if (name != NULL && DMA_GetNameFromInfo(&elements[i], DMA_KIND_3, &size, name) == DMA_OK)
            printf("  element %u: \"%s\", %s\n", (unsigned)i, name,
                   states[i] == DMA_STATE_IN_USE ? "in use" : "deleted");
        free(name);
    }
}

int main(void) {
    void *devMode = calloc(1, DMA_DEVMODE_MIN_SIZE);
    void *secondary = calloc(1, DMA_SECONDARY_MIN_SIZE);
    Kind3Record *elements = calloc(CAPACITY, sizeof *elements);
    uint8_t states[CAPACITY] = {DMA_STATE_EMPTY, DMA_STATE_EMPTY, DMA_STATE_EMPTY};
    if (devMode == NULL || secondary == NULL || elements == NULL) return 2;

    DmaContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode;
    ctx.secondary = secondary;
    /* The array as the library sees it: count elements of elementSize bytes
     * each, with one state byte per element. */
    ctx.kind3Records.count = 0;
    ctx.kind3Records.elementSize = sizeof(Kind3Record);
    ctx.kind3Records.states = states;
    ctx.kind3Records.records = elements;

    /* Store two elements.  Mode 1 stores the settings into the last element
     * of the array, so the array grows by one before each new element. */
    const char *names[] = {"Sales", "Support"};
    const char *texts[] = {"Second floor", "Help desk"};
    for (int i = 0; i < 2; ++i) {
        set_text(&ctx, ID_TEXT, texts[i]);
        ctx.kind3Records.count += 1;
        DMA_RESULT rc = DMA_ApplyData(&ctx, DMA_KIND_3, 1, by_name(names[i]));
        printf("stored \"%s\": %d\n", names[i], (int)rc);
    }
    list(elements, states, ctx.kind3Records.count);

    /* Load an element by name: its fields become the live settings. */
    printf("load \"Sales\": %d\n", (int)DMA_AccessibleData(&ctx, DMA_KIND_3, by_name("Sales")));
    print_text(&ctx, "  name setting", ID_NAME);
    print_text(&ctx, "  text setting", ID_TEXT);

    /* Change a setting and store it back into the element of that name
     * (mode 0 finds the element by name). */
    set_text(&ctx, ID_TEXT, "Third floor");
    printf("update \"Sales\": %d\n", (int)DMA_ApplyData(&ctx, DMA_KIND_3, 0, by_name("Sales")));
    set_text(&ctx, ID_TEXT, "");
    printf("reload \"Sales\": %d\n", (int)DMA_AccessibleData(&ctx, DMA_KIND_3, by_name("Sales")));
    print_text(&ctx, "  text setting", ID_TEXT);

    /* Delete: the element stays in the array, marked deleted, and no
     * longer loads.  Names are compared exactly, case included. */
    printf("delete \"Support\": %d\n", (int)DMA_DeleteData(&ctx, DMA_KIND_3, "Support"));
    DMA_RESULT rc = DMA_AccessibleData(&ctx, DMA_KIND_3, by_name("Support"));
    printf("load \"Support\": %d%s\n", (int)rc, rc == DMA_E_NO_RECORD ? " (DMA_E_NO_RECORD)" : "");
    rc = DMA_AccessibleData(&ctx, DMA_KIND_3, by_name("sales"));
    printf("load \"sales\": %d%s\n", (int)rc, rc == DMA_E_NO_RECORD ? " (DMA_E_NO_RECORD)" : "");
    list(elements, states, ctx.kind3Records.count);

    free(elements);
    free(devMode);
    free(secondary);
    return 0;
}
