/*
 * files.cpp - CreateFileA, ReadFile and CloseHandle over POSIX files.
 *
 * Host programs that must read a real config.ini exactly as the launcher
 * does (pelgrove-check's host build, the lookup benchmark) link this in
 * place of KERNEL32, so the shared reader and lookup run unchanged. It is
 * as thin as the real thing: the benchmark times the reads through it. Only what those need is kept:
 * opening an existing file for reading, reading, closing. Where POSIX and
 * Windows differ in a way the reader would notice, the Windows behaviour
 * is imitated: a folder cannot be opened as a file.
 *
 * Must never: start processes (there is no CreateProcessA here: a host
 * build that reached the launcher's process start would fail to link,
 * which is what we want), or keep state beyond the open descriptors.
 */
#include "../win32.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

/* A handle is the descriptor itself; INVALID_HANDLE_VALUE is -1, which no
 * open descriptor ever is. */
static int
Descriptor(HANDLE handle)
{
    return (int)(intptr_t)handle;
}

extern "C" HANDLE WINAPI
CreateFileA(const char *lpFileName, DWORD dwDesiredAccess, DWORD, void *,
            DWORD dwCreationDisposition, DWORD, HANDLE)
{
    /* Sharing has no POSIX counterpart: every open here shares. */
    if (dwDesiredAccess != GENERIC_READ ||
        dwCreationDisposition != OPEN_EXISTING) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    int fd = open(lpFileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    struct stat about;
    int failure = 0;
    if (fstat(fd, &about) != 0)
        failure = errno;
    else if (S_ISDIR(about.st_mode))
        failure = EISDIR;
    if (failure != 0) {
        close(fd);
        errno = failure;
        return INVALID_HANDLE_VALUE;
    }
    return (HANDLE)(intptr_t)fd;
}

extern "C" BOOL WINAPI
ReadFile(HANDLE hFile, void *lpBuffer, DWORD nNumberOfBytesToRead,
         DWORD *lpNumberOfBytesRead, void *)
{
    *lpNumberOfBytesRead = 0;
    ssize_t got;
    do
        got = read(Descriptor(hFile), lpBuffer, nNumberOfBytesToRead);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return FALSE;
    *lpNumberOfBytesRead = (DWORD)got;
    return TRUE;
}

extern "C" BOOL WINAPI
CloseHandle(HANDLE hObject)
{
    return close(Descriptor(hObject)) == 0 ? TRUE : FALSE;
}
