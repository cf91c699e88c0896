/*
 * win32.h - the few Win32 names the launcher uses, and nothing else.
 *
 * This is the seam between the portable code (configuration lookup, text
 * reader, launch sequence) and the operating system. The portable code calls
 * the platform's own functions by their own names; which implementation
 * answers is chosen by the build:
 *
 *   - the Windows build links them straight from KERNEL32.dll;
 *   - host builds link a stand-in (tests, fuzzers, tools) that defines the
 *     same functions over memory or POSIX files.
 *
 * We declare only what we use instead of including <windows.h>, so the
 * stand-in and the real thing read alike and nothing else leaks in. Types
 * and record layouts follow the platform's i386 ABI; on a 64-bit host they
 * only need to agree with the stand-in, which is compiled from the same
 * declarations.
 */
#ifndef PELGROVE_WIN32_H
#define PELGROVE_WIN32_H

#ifdef _WIN32
#define WINAPI __stdcall
#define PELGROVE_IMPORT __declspec(dllimport)
#else
#define WINAPI
#define PELGROVE_IMPORT
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD; /* 32 bits on every platform we build for */
typedef unsigned int UINT;
typedef void *HANDLE;
typedef struct HINSTANCE__ *HINSTANCE;

#define FALSE 0
#define TRUE 1

#define INVALID_HANDLE_VALUE ((HANDLE)(__INTPTR_TYPE__)-1)

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define STARTF_USESHOWWINDOW 0x00000001u
#define SW_SHOW 5

typedef struct _STARTUPINFOA {
    DWORD cb;
    char *lpReserved;
    char *lpDesktop;
    char *lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE *lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;

extern "C" {

PELGROVE_IMPORT HANDLE WINAPI
CreateFileA(const char *lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
            void *lpSecurityAttributes, DWORD dwCreationDisposition,
            DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

PELGROVE_IMPORT BOOL WINAPI
ReadFile(HANDLE hFile, void *lpBuffer, DWORD nNumberOfBytesToRead,
         DWORD *lpNumberOfBytesRead, void *lpOverlapped);

PELGROVE_IMPORT BOOL WINAPI
CloseHandle(HANDLE hObject);

/* lpCommandLine must be writable: the platform may modify the text in place
 * while it splits off the program name, and faults on a read-only string. */
PELGROVE_IMPORT BOOL WINAPI
CreateProcessA(const char *lpApplicationName, char *lpCommandLine,
               void *lpProcessAttributes, void *lpThreadAttributes,
               BOOL bInheritHandles, DWORD dwCreationFlags,
               void *lpEnvironment, const char *lpCurrentDirectory,
               STARTUPINFOA *lpStartupInfo,
               PROCESS_INFORMATION *lpProcessInformation);

} /* extern "C" */

/* The program's own entry, called once by the start-up code; its return
 * value becomes the process exit status. */
int WINAPI
WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, char *lpCmdLine,
        int nShowCmd);

#endif /* PELGROVE_WIN32_H */
