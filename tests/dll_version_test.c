/* dll_version_test.c - the version resource of dmaccess.dll, read back the
 * way Explorer and installers read it, equals the public header's version.
 * Windows only; the DLL is loaded from the program's folder. */
#include <stdio.h>
#include <windows.h>

#include <dmaccess/dmaccess.h>

static int failures = 0;

static void expect(int ok, const char *what) {
    if (!ok) {
        printf("FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    HMODULE module = LoadLibraryW(L"dmaccess.dll");
    if (module == NULL) {
        printf("FAILED: dmaccess.dll does not load\n");
        return 1;
    }
    WCHAR path[MAX_PATH];
    DWORD pathLength = GetModuleFileNameW(module, path, MAX_PATH);
    expect(pathLength > 0 && pathLength < MAX_PATH, "GetModuleFileNameW");

    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
        printf("FAILED: no version resource\n");
        return 1;
    }
    void *info = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (info == NULL || !GetFileVersionInfoW(path, 0, size, info)) {
        printf("FAILED: GetFileVersionInfoW\n");
        return 1;
    }

    /* The fixed part: major.minor in the high word pair, patch.0 in the low. */
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT fixedSize = 0;
    expect(VerQueryValueW(info, L"\\", (void **)&fixed, &fixedSize) && fixed != NULL &&
               fixedSize >= sizeof *fixed,
           "VS_FIXEDFILEINFO");
    if (fixed != NULL) {
        const DWORD ms = MAKELONG(DMACCESS_VERSION_MINOR, DMACCESS_VERSION_MAJOR);
        const DWORD ls = MAKELONG(0, DMACCESS_VERSION_PATCH);
        expect(fixed->dwSignature == 0xFEEF04BD, "fixed-info signature");
        expect(fixed->dwFileVersionMS == ms && fixed->dwFileVersionLS == ls, "FILEVERSION");
        expect(fixed->dwProductVersionMS == ms && fixed->dwProductVersionLS == ls,
               "PRODUCTVERSION");
        expect(fixed->dwFileType == VFT_DLL, "file type DLL");
    }

    /* The strings, in the language and code page that the translation
     * table names first. */
    struct Translation { WORD language, codePage; } *translation = NULL;
    UINT translationSize = 0;
    expect(VerQueryValueW(info, L"\\VarFileInfo\\Translation", (void **)&translation,
                          &translationSize) &&
               translationSize >= sizeof *translation,
           "translation table");
    static const struct { const char *name, *value; } strings[] = {
        {"FileVersion", DMACCESS_VERSION_STRING},
        {"ProductVersion", DMACCESS_VERSION_STRING},
        {"FileDescription", "Settings-access library"},
        {"ProductName", "dmaccess"},
        {"OriginalFilename", "dmaccess.dll"},
    };
    for (size_t i = 0; translation != NULL && i < sizeof strings / sizeof strings[0]; ++i) {
        char narrowKey[64];
        snprintf(narrowKey, sizeof narrowKey, "\\StringFileInfo\\%04x%04x\\%s",
                 (unsigned)translation->language, (unsigned)translation->codePage,
                 strings[i].name);
        WCHAR key[64];
        size_t k = 0;
        for (; narrowKey[k] != '\0'; ++k) key[k] = (WCHAR)narrowKey[k];
        key[k] = 0;
        WCHAR *value = NULL;
        UINT valueLength = 0;
        int ok = VerQueryValueW(info, key, (void **)&value, &valueLength) && value != NULL;
        /* The expected texts are ASCII: compare unit by unit, terminator included. */
        for (size_t c = 0; ok; ++c) {
            ok = value[c] == (WCHAR)(unsigned char)strings[i].value[c];
            if (strings[i].value[c] == '\0') break;
        }
        if (!ok) printf("FAILED: %s is not \"%s\"\n", strings[i].name, strings[i].value);
        failures += !ok;
    }

    HeapFree(GetProcessHeap(), 0, info);
    FreeLibrary(module);
    printf("version resource: %s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
