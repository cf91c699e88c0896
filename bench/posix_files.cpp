/*
 * posix_files.cpp - the file calls of win32.h over POSIX files.
 *
 * The benchmark's platform layer: CreateFileA, ReadFile and CloseHandle map
 * straight onto open, read and close, so a lookup in the benchmark reads a
 * real file through the page cache block by block, as the launcher does on
 * Windows. It is deliberately as thin as the real thing: no bookkeeping
 * that would add cost per read. CreateProcessA is here only so the portable
 * library links; the benchmark never starts anything.
 *
 * Must never: allocate (the benchmark counts every heap call and expects
 * none during a lookup).
 */
#include "../platform/win32.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <unistd.h>

extern "C" HANDLE WINAPI
CreateFileA(const char *lpFileName, DWORD, DWORD, void *, DWORD, DWORD,
            HANDLE)
{
    int fd = open(lpFileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    return (HANDLE)(intptr_t)fd;
}

extern "C" BOOL WINAPI
ReadFile(HANDLE hFile, void *lpBuffer, DWORD nNumberOfBytesToRead,
         DWORD *lpNumberOfBytesRead, void *)
{
    ssize_t got;
    do
        got = read((int)(intptr_t)hFile, lpBuffer, nNumberOfBytesToRead);
    while (got < 0 && errno == EINTR);
    *lpNumberOfBytesRead = got < 0 ? 0 : (DWORD)got;
    return got >= 0;
}

extern "C" BOOL WINAPI
CloseHandle(HANDLE hObject)
{
    return close((int)(intptr_t)hObject) == 0;
}

extern "C" BOOL WINAPI
CreateProcessA(const char *, char *, void *, void *, BOOL, DWORD, void *,
               const char *, STARTUPINFOA *, PROCESS_INFORMATION *)
{
    return FALSE;
}
