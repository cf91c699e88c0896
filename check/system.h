/*
 * system.h - what pelgrove-check needs from the operating system beyond the
 * launcher's own seam (platform/win32.h, which it reads config.ini through).
 *
 * Two implementations, chosen by the build: system_windows.cpp for the
 * Windows console program (the real platform answers every question) and
 * system_posix.cpp for the host build, which examines a folder prepared for
 * Windows from a Unix machine and says so when a question has no answer
 * there. The checker's own logic (check.cpp, scan.cpp) has no #ifdef.
 *
 * Paths are byte strings in the platform's own form; a relative path is
 * taken from the current directory.
 */
#ifndef PELGROVE_CHECK_SYSTEM_H
#define PELGROVE_CHECK_SYSTEM_H

/* Longest path the checker handles, terminator included. Windows' own
 * limit for the ANSI calls is 260; Unix folders can be deeper. */
enum { SYS_PATH_SIZE = 4096 };

/* The answers of SysFindProgram and SysFindFile. */
enum { SYS_NOT_FOUND = 0, SYS_FOUND = 1, SYS_CANNOT_CHECK = 2 };

/* Makes folder the current directory. Returns 0, or -1 (see SysErrorText). */
int
SysEnterFolder(const char *folder);

/* Writes the absolute path of the current directory into folder (size
 * bytes). Returns 0, or -1 when it does not fit or cannot be found. */
int
SysCurrentFolder(char *folder, int size);

/* Do the two absolute paths from SysCurrentFolder name the same folder? */
int
SysSameFolder(const char *a, const char *b);

/* The separator to put between a folder and a name: "\\" or "/". */
const char *
SysSeparator(void);

/* Describes, in a short phrase without a final period, why the last failed
 * call (SysEnterFolder, or the CreateFileA/ReadFile behind the text reader)
 * failed. */
void
SysErrorText(char *text, int size);

/*
 * Looks for the program name exactly as the platform does for a command
 * line given without an application name: a name with a folder part is
 * taken from the current directory; a bare name is searched for in the
 * folder of the program being started and the current directory (both
 * taken to be the current directory here, as they are for a double click),
 * the system folders and PATH. name already carries the extension the
 * platform would add. A folder is never a program. On SYS_FOUND, found
 * (size bytes) holds the file's full path.
 */
int
SysFindProgram(const char *name, char *found, int size);

/* Is path (a file, not a folder) there? SYS_FOUND, SYS_NOT_FOUND, or
 * SYS_CANNOT_CHECK when this build cannot tell, as for a Windows path on
 * a Unix machine. */
int
SysFindFile(const char *path);

/* Phrase naming the code page the launcher's bytes will be read in, e.g.
 * "code page 1252 here", or "the ANSI code page of the Windows machine"
 * when this build cannot know it. */
const char *
SysAnsiCodePage(char *text, int size);

#endif /* PELGROVE_CHECK_SYSTEM_H */
