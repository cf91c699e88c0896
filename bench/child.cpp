/*
 * child.cpp - the program every launch in the benchmark starts.
 *
 * Stands in for the Java runtime and returns at once, so a launch costs
 * only the start of the launcher (or batch file) itself. CRT-free and built
 * like the launcher, so that no C runtime start-up of its own competes for
 * the machine while the next launch is being timed.
 *
 * Must never: do anything.
 */
#include "../platform/win32.h"

int WINAPI
WinMain(HINSTANCE, HINSTANCE, char *, int)
{
    return 0;
}
