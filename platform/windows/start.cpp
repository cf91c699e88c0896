/*
 * start.cpp - the Windows start-up code, in place of the C runtime's.
 *
 * The launcher links no C runtime: that keeps the executable a few
 * kilobytes, its only import KERNEL32.dll, and its start as short as the
 * platform allows. In return we supply the two things a runtime would have:
 * the entry point, and the memory functions GCC may call on its own for
 * block copies and clears even in freestanding code.
 */
#include "../win32.h"

extern "C" {

PELGROVE_IMPORT __attribute__((noreturn)) void WINAPI
ExitProcess(UINT uExitCode);

/* The linker's entry point (-e). WinMain ignores its four arguments, so we
 * do not fetch them: each would cost another import. */
void
WinMainCRTStartup(void)
{
    ExitProcess(WinMain(0, 0, 0, 0));
}

/* Byte loops on purpose; the compiler is told not to turn these two back
 * into calls to themselves (-fno-tree-loop-distribute-patterns). */
void *
memset(void *destination, int c, __SIZE_TYPE__ n)
{
    unsigned char *d = (unsigned char *)destination;
    while (n--)
        *d++ = (unsigned char)c;
    return destination;
}

void *
memcpy(void *destination, const void *source, __SIZE_TYPE__ n)
{
    unsigned char *d = (unsigned char *)destination;
    const unsigned char *s = (const unsigned char *)source;
    while (n--)
        *d++ = *s++;
    return destination;
}

} /* extern "C" */
