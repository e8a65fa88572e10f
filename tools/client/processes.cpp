// processes.cpp - process IDs and the files of ended runs (processes.h).
#include "processes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include "record_files.h"

namespace dmaclient {

namespace fs = std::filesystem;

unsigned long OwnProcessId() {
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

bool ProcessRuns(unsigned long pid) {
#if defined(_WIN32)
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool runs = !GetExitCodeProcess(h, &code) || code == STILL_ACTIVE;
    CloseHandle(h);
    return runs;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
#endif
}

void RemoveFilesOfEndedRuns(const fs::path &folder, const std::string &prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        unsigned long pid = 0;
        unsigned random = 0;
        char tail[8] = {};
        if (std::sscanf(name.c_str() + prefix.size(), "%lu-%8x%7s", &pid, &random, tail) != 3 ||
            std::strcmp(tail, ".tmp") != 0 || pid == 0 || ProcessRuns(pid))
            continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

}  // namespace dmaclient
