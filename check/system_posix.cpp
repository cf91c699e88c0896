/*
 * system_posix.cpp - pelgrove-check's system calls on a Unix host.
 *
 * The host build examines a folder being prepared for Windows. Paths in
 * Unix form, and bare names found in the folder itself, are checked on the
 * file system; a Windows path (a drive letter or a backslash) names a file
 * on some other machine, so for it the answer is SYS_CANNOT_CHECK, never a
 * guess.
 *
 * Must never: guess at a Windows path, or change anything on disk.
 */
#include "system.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int
IsWindowsPath(const char *path)
{
    if (strchr(path, '\\') != 0)
        return 1;
    char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) &&
           path[1] == ':';
}

/* A file that exists and is not a folder. */
static int
IsFile(const char *path)
{
    struct stat about;
    return stat(path, &about) == 0 && !S_ISDIR(about.st_mode);
}

int
SysEnterFolder(const char *folder)
{
    return chdir(folder) == 0 ? 0 : -1;
}

int
SysCurrentFolder(char *folder, int size)
{
    return getcwd(folder, (size_t)size) != 0 ? 0 : -1;
}

int
SysSameFolder(const char *a, const char *b)
{
    return strcmp(a, b) == 0;
}

const char *
SysSeparator(void)
{
    return "/";
}

void
SysErrorText(char *text, int size)
{
    snprintf(text, (size_t)size, "%s", strerror(errno));
}

int
SysFindProgram(const char *name, char *found, int size)
{
    if (IsWindowsPath(name))
        return SYS_CANNOT_CHECK;
    if (IsFile(name)) {
        char full[PATH_MAX];
        snprintf(found, (size_t)size, "%s",
                 realpath(name, full) != 0 ? full : name);
        return SYS_FOUND;
    }
    /* A bare name not in this folder may still be in the Windows machine's
     * system folders or on its PATH. */
    if (strchr(name, '/') == 0)
        return SYS_CANNOT_CHECK;
    return SYS_NOT_FOUND;
}

int
SysFindFile(const char *path)
{
    if (IsWindowsPath(path))
        return SYS_CANNOT_CHECK;
    return IsFile(path) ? SYS_FOUND : SYS_NOT_FOUND;
}

const char *
SysAnsiCodePage(char *text, int size)
{
    snprintf(text, (size_t)size, "the ANSI code page of the Windows machine "
             "it runs on");
    return text;
}
