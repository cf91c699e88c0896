/*
 * floor.cpp - the least any launcher can do, for the launch-time benchmark.
 *
 * Starts one fixed command line, the same that the launcher composes from
 * the benchmark's config.ini, exactly as the launcher starts it, and exits.
 * No file is read. Built like the launcher (CRT-free, our own start-up
 * code, the same layout), so the difference in their start times is the
 * cost of reading the configuration and nothing else.
 *
 * Must never: do anything the launcher does not do.
 */
#include "../platform/win32.h"

int WINAPI
WinMain(HINSTANCE, HINSTANCE, char *, int)
{
    /* Writable, as CreateProcessA requires; a copy on our own stack. */
    char commandLine[] = BENCH_COMMAND_LINE;
    STARTUPINFOA startup = {};
    PROCESS_INFORMATION process;

    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    CreateProcessA(0, commandLine, 0, 0, FALSE, 0, 0, 0, &startup, &process);
    return 0;
}
