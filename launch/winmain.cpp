/*
 * winmain.cpp - the launcher's whole course of action.
 *
 * Read the two settings, start  <jre> -jar <jar>  with its window shown,
 * and return at once without waiting for the child. The return value is the
 * exit status: 0 once the start was requested, -1 when nothing was started.
 * Nothing is ever shown, printed or logged; the exit status is the only
 * report. A failed process start (say, a runtime path that does not exist)
 * is deliberately not examined.
 *
 * Must never: allocate, keep global state, or call the C runtime.
 */
#include "launch.h"

#include "../platform/win32.h"

int WINAPI
WinMain(HINSTANCE, HINSTANCE, char *, int)
{
    char commandLine[LAUNCH_COMMAND_SIZE];
    STARTUPINFOA startup = {}; /* every field zero */
    PROCESS_INFORMATION process;

    if (ComposeCommandLine(commandLine) != 0)
        return -1;

    /* Ask for SW_SHOW explicitly, so a launcher that was itself started
     * minimised or hidden (a shortcut's "Run" setting) does not pass that
     * on to the Java application's first window. */
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;

    /* No application name: the program is the first token of the command
     * line, found by the platform's usual rules. The child inherits our
     * environment and working directory and no handles. The handles
     * returned in process are left to lapse when we exit moments later. */
    CreateProcessA(0, commandLine, 0, 0, FALSE, 0, 0, 0, &startup, &process);
    return 0;
}
