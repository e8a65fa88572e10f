// win32_layer.h - our implementation of the Windows API subset that the
// library uses, for non-Windows builds.  Types have Windows' widths: WCHAR is
// 16-bit (char16_t), LONG and DWORD are 32-bit.
//
// Behaviour follows Windows: GlobalAlloc(GMEM_ZEROINIT) zero-fills; the
// code-page functions know CP_ACP (= 1252) and CP_UTF8, count a source of -1
// with its terminator, measure when the output size is 0 and fail with
// ERROR_INSUFFICIENT_BUFFER (writing nothing past the buffer) when the output
// does not fit; the file functions work over POSIX files.  UTF-16 arguments
// may sit at any address, odd ones included, as Windows on x86 allows.
//
// The dmaplat_* functions are test hooks: a count of live GlobalAlloc blocks
// and switches that make the n-th allocation or file call fail.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef int32_t INT;
typedef char16_t WCHAR;
typedef char CHAR;
typedef const char *LPCSTR;
typedef char *LPSTR;
typedef const WCHAR *LPCWSTR;
typedef WCHAR *LPWSTR;
typedef const char *LPCCH;
typedef const WCHAR *LPCWCH;
typedef void *HANDLE;
typedef void *HGLOBAL;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef DWORD *LPDWORD;
typedef BOOL *LPBOOL;
typedef intptr_t INT_PTR;
typedef uintptr_t SIZE_T;
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;
struct OVERLAPPED;
typedef OVERLAPPED *LPOVERLAPPED;

#define TRUE 1
#define FALSE 0
#define MAX_DEFAULTCHAR 2
#define MAX_LEADBYTES 12

typedef struct _cpinfo {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];
} CPINFO, *LPCPINFO;

#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x01
#define MB_ERR_INVALID_CHARS 0x08
#define WC_ERR_INVALID_CHARS 0x80
#define WC_NO_BEST_FIT_CHARS 0x400

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_WRITE_FAULT 29
#define ERROR_READ_FAULT 30
#define ERROR_SHARING_VIOLATION 32
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_ALREADY_EXISTS 183
#define ERROR_INVALID_FLAGS 1004
#define ERROR_NO_UNICODE_TRANSLATION 1113

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x80
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_SIZE 0xFFFFFFFFu

extern "C" {
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL mem);

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH src, int srcCount, LPWSTR dst,
                        int dstCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH src, int srcCount, LPSTR dst,
                        int dstCount, LPCCH defaultChar, LPBOOL usedDefaultChar);
UINT GetACP(void);
BOOL GetCPInfo(UINT codePage, LPCPINFO info);

DWORD GetLastError(void);
void SetLastError(DWORD error);

// Regular files only (a folder, FIFO or device: ERROR_ACCESS_DENIED, without
// waiting); an open that the handles already open on the file exclude, as
// Windows' sharing does, fails with ERROR_SHARING_VIOLATION (see files.cpp).
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED overlapped);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL CloseHandle(HANDLE object);

LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src);
LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int max);
int wsprintfW(LPWSTR dst, LPCWSTR format, ...);

// ---- test hooks (posix layer only) ----
// Number of GlobalAlloc blocks not yet freed, process-wide.
long dmaplat_LiveBlocks(void);
// Make the n-th GlobalAlloc from now fail (1 = the next one); 0 switches off.
void dmaplat_FailAllocAt(long n);
// Number of GlobalAlloc calls made so far (to count an operation's paths).
long dmaplat_AllocCalls(void);
// File calls that can be made to fail.
enum DmaPlatFileCall { DMAPLAT_CREATE = 0, DMAPLAT_READ, DMAPLAT_WRITE, DMAPLAT_SIZE, DMAPLAT_FILE_CALLS };
// Make the n-th call of that kind from now fail (1 = the next one); 0 switches off.
void dmaplat_FailFileCallAt(int call, long n);
// Make the n-th open(2) under CreateFileW from now fail with errno `error`
// (1 = the next one; 0 switches off): EINTR for an interrupted open, which
// is made again; EOPNOTSUPP for a file system without nameless files; EEXIST
// for a name that another process took meanwhile.
void dmaplat_FailOpenAt(long n, int error);
// Number of open file handles.
long dmaplat_OpenHandles(void);
// The next GetFileSize reports this 64-bit size instead of the real one (low
// 32 bits returned, high 32 bits in sizeHigh), to reach files that grow,
// shrink or pass 4 GiB between the size and the read.
void dmaplat_FakeNextFileSize(uint64_t size);
// With 1, CreateFileW and the calls on the handles it returns work on files
// kept in this process (path -> bytes) instead of the disk; 0 goes back to
// the disk.  Either switch discards the memory files (handles still open keep
// theirs until closed).  Memory files share, fail and report errors as disk
// files do, hooks included, but have no folders: any path names a file.
void dmaplat_UseMemoryFiles(int on);
// Makes CP_ACP and GetACP mean `codePage`: 1252 (the default) or CP_UTF8,
// whose characters take up to 4 bytes.  Returns 0 for any other code page.
int dmaplat_SetAnsiCodePage(UINT codePage);
}
