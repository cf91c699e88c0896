/*
 * system_windows.cpp - pelgrove-check's system calls on Windows.
 *
 * Here every question has a real answer: the program search follows the
 * order the platform uses for a command line without an application name,
 * and the code page is the one the launcher's bytes will be read in.
 *
 * This file includes <windows.h> and therefore never platform/win32.h
 * (their declarations of the same functions differ in spelling); that is
 * why these calls sit behind system.h of their own.
 *
 * Must never: change anything on disk.
 */
#include "system.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

/* A file that exists and is not a folder. */
static int
IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static void
FullPath(const char *path, char *full, int size)
{
    DWORD n = GetFullPathNameA(path, (DWORD)size, full, 0);
    if (n == 0 || n >= (DWORD)size)
        snprintf(full, (size_t)size, "%s", path);
}

/* Is name in folder? On success found holds the joined path. */
static int
FoundIn(const char *folder, int length, const char *name, char *found,
        int size)
{
    char path[SYS_PATH_SIZE];
    if (length <= 0)
        return 0;
    const char *separator = folder[length - 1] == '\\' ? "" : "\\";
    int n = snprintf(path, sizeof path, "%.*s%s%s", length, folder, separator,
                     name);
    if (n < 0 || n >= (int)sizeof path || !IsFile(path))
        return 0;
    FullPath(path, found, size);
    return 1;
}

int
SysEnterFolder(const char *folder)
{
    return SetCurrentDirectoryA(folder) ? 0 : -1;
}

int
SysCurrentFolder(char *folder, int size)
{
    DWORD n = GetCurrentDirectoryA((DWORD)size, folder);
    return n > 0 && n < (DWORD)size ? 0 : -1;
}

int
SysSameFolder(const char *a, const char *b)
{
    return lstrcmpiA(a, b) == 0;
}

const char *
SysSeparator(void)
{
    return "\\";
}

void
SysErrorText(char *text, int size)
{
    DWORD code = GetLastError();
    char message[512];
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 0, code,
        0, message, sizeof message, 0);
    while (n > 0 && (message[n - 1] == '\r' || message[n - 1] == '\n' ||
                     message[n - 1] == ' ' || message[n - 1] == '.'))
        n--;
    message[n] = '\0';
    if (n == 0)
        snprintf(text, (size_t)size, "error %lu", (unsigned long)code);
    else
        snprintf(text, (size_t)size, "%s (error %lu)", message,
                 (unsigned long)code);
}

int
SysFindProgram(const char *name, char *found, int size)
{
    /* A name with a folder part is taken as it stands. */
    if (strpbrk(name, "\\/:") != 0) {
        if (!IsFile(name))
            return SYS_NOT_FOUND;
        FullPath(name, found, size);
        return SYS_FOUND;
    }

    /* A bare name: the program's own folder and the current directory
     * (one and the same for a double click), the 32-bit system folder, the
     * 16-bit one, the Windows folder, then PATH. */
    char folder[SYS_PATH_SIZE];
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    if (n < sizeof folder && FoundIn(folder, (int)n, name, found, size))
        return SYS_FOUND;
    n = GetSystemDirectoryA(folder, sizeof folder);
    if (n < sizeof folder && FoundIn(folder, (int)n, name, found, size))
        return SYS_FOUND;
    n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n < sizeof folder) {
        char system16[SYS_PATH_SIZE];
        int m = snprintf(system16, sizeof system16, "%s\\System", folder);
        if (m > 0 && m < (int)sizeof system16 &&
            FoundIn(system16, m, name, found, size))
            return SYS_FOUND;
        if (FoundIn(folder, (int)n, name, found, size))
            return SYS_FOUND;
    }

    static char path[32767]; /* the largest an environment variable holds */
    n = GetEnvironmentVariableA("PATH", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return SYS_NOT_FOUND;
    for (const char *at = path; *at != '\0';) {
        const char *end = strchr(at, ';');
        int length = end != 0 ? (int)(end - at) : (int)strlen(at);
        /* An entry may be quoted when it holds a ";". */
        if (length >= 2 && at[0] == '"' && at[length - 1] == '"') {
            if (FoundIn(at + 1, length - 2, name, found, size))
                return SYS_FOUND;
        } else if (FoundIn(at, length, name, found, size)) {
            return SYS_FOUND;
        }
        at += length;
        if (*at == ';')
            at++;
    }
    return SYS_NOT_FOUND;
}

int
SysFindFile(const char *path)
{
    return IsFile(path) ? SYS_FOUND : SYS_NOT_FOUND;
}

const char *
SysAnsiCodePage(char *text, int size)
{
    snprintf(text, (size_t)size, "the ANSI code page (%u on this machine)",
             GetACP());
    return text;
}
