/*
 * fake_platform.cpp - in-memory stand-ins for the Win32 calls we use.
 *
 * Handles are small integers into a table of open files; a handle that is
 * not open, closed twice or never opened fails the calls and is counted, so
 * tests see misuse instead of undefined behaviour.
 */
#include "fake_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

namespace fake {

std::vector<FakeOpen> opens;
int closes;
int openHandles;
int reads;
std::vector<FakeProcessStart> starts;

namespace {

struct OpenFile {
    std::string bytes;
    size_t offset;
    bool open;
};

std::map<std::string, std::string> files;
std::vector<OpenFile> table; /* handle h is table[h - 1] */
DWORD readLimit;
std::vector<DWORD> readSizes;
size_t nextReadSize;
int failAt;
bool failStart;

OpenFile *
Lookup(HANDLE handle)
{
    size_t h = (size_t)handle;
    if (h == 0 || h > table.size() || !table[h - 1].open)
        return nullptr;
    return &table[h - 1];
}

/* Saves a fixture for the seed corpus, see fake_platform.h. */
void
SaveFixture(const std::string &bytes)
{
    const char *folder = std::getenv("PELGROVE_FIXTURE_DIR");
    if (folder == nullptr || *folder == '\0')
        return;
    unsigned long long hash = 14695981039346656037ull; /* FNV-1a */
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", hash);
    std::ofstream(std::string(folder) + "/" + name, std::ios::binary)
        .write(bytes.data(), (std::streamsize)bytes.size());
}

} /* namespace */

void
Reset()
{
    opens.clear();
    closes = 0;
    openHandles = 0;
    reads = 0;
    starts.clear();
    files.clear();
    table.clear();
    readLimit = 0;
    readSizes.clear();
    nextReadSize = 0;
    failAt = 0;
    failStart = false;
}

void
AddFile(const std::string &name, const std::string &bytes)
{
    files[name] = bytes;
    SaveFixture(bytes);
}

void
SetReadLimit(DWORD bytes)
{
    readLimit = bytes;
}

void
SetReadSizes(const std::vector<DWORD> &sizes)
{
    readSizes = sizes;
    nextReadSize = 0;
}

void
FailReadAt(int nth)
{
    failAt = reads + nth;
}

void
FailProcessStart()
{
    failStart = true;
}

} /* namespace fake */

using namespace fake;

extern "C" HANDLE WINAPI
CreateFileA(const char *lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
            void *, DWORD dwCreationDisposition, DWORD, HANDLE)
{
    opens.push_back({lpFileName, dwDesiredAccess, dwShareMode,
                     dwCreationDisposition});
    auto found = files.find(lpFileName);
    if (found == files.end())
        return INVALID_HANDLE_VALUE;
    table.push_back({found->second, 0, true});
    openHandles++;
    return (HANDLE)table.size();
}

extern "C" BOOL WINAPI
ReadFile(HANDLE hFile, void *lpBuffer, DWORD nNumberOfBytesToRead,
         DWORD *lpNumberOfBytesRead, void *)
{
    reads++;
    *lpNumberOfBytesRead = 0;
    OpenFile *file = Lookup(hFile);
    if (file == nullptr || (failAt != 0 && reads >= failAt))
        return FALSE;
    size_t n = file->bytes.size() - file->offset;
    if (n > nNumberOfBytesToRead)
        n = nNumberOfBytesToRead;
    if (readLimit != 0 && n > readLimit)
        n = readLimit;
    if (!readSizes.empty()) {
        DWORD most = readSizes[nextReadSize++ % readSizes.size()];
        if (most != 0 && n > most)
            n = most;
    }
    std::memcpy(lpBuffer, file->bytes.data() + file->offset, n);
    file->offset += n;
    *lpNumberOfBytesRead = (DWORD)n;
    return TRUE;
}

extern "C" BOOL WINAPI
CloseHandle(HANDLE hObject)
{
    closes++;
    OpenFile *file = Lookup(hObject);
    if (file == nullptr)
        return FALSE;
    file->open = false;
    openHandles--;
    return TRUE;
}

extern "C" BOOL WINAPI
CreateProcessA(const char *lpApplicationName, char *lpCommandLine,
               void *lpProcessAttributes, void *lpThreadAttributes,
               BOOL bInheritHandles, DWORD dwCreationFlags,
               void *lpEnvironment, const char *lpCurrentDirectory,
               STARTUPINFOA *lpStartupInfo,
               PROCESS_INFORMATION *lpProcessInformation)
{
    FakeProcessStart start = {};
    start.applicationNameNull = lpApplicationName == nullptr;
    start.commandLine = lpCommandLine ? lpCommandLine : "(null)";
    /* The real call may write to the buffer; do so too (writing back what
     * was there), so a read-only command line crashes the test as it
     * would crash the launcher. */
    if (lpCommandLine != nullptr) {
        volatile char *first = lpCommandLine;
        *first = *first;
    }
    start.processAttributesNull = lpProcessAttributes == nullptr;
    start.threadAttributesNull = lpThreadAttributes == nullptr;
    start.inheritHandles = bInheritHandles;
    start.creationFlags = dwCreationFlags;
    start.environmentNull = lpEnvironment == nullptr;
    start.currentDirectoryNull = lpCurrentDirectory == nullptr;
    if (lpStartupInfo != nullptr)
        start.startup = *lpStartupInfo;
    start.processInformationGiven = lpProcessInformation != nullptr;
    starts.push_back(start);
    return failStart ? FALSE : TRUE;
}
