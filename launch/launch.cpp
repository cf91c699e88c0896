/*
 * launch.cpp - composing the command line the launcher starts.
 *
 * Must never: allocate, keep global state, or call the C runtime.
 */
#include "launch.h"

#include "../config/ini.h"

/* Appends text at commandLine + at and returns the new end. The caller's
 * sizes guarantee room: see LAUNCH_COMMAND_SIZE. */
static int
Append(char *commandLine, int at, const char *text)
{
    while (*text != '\0')
        commandLine[at++] = *text++;
    commandLine[at] = '\0';
    return at;
}

int
ComposeCommandLine(char *commandLine)
{
    char runtime[LAUNCH_VALUE_SIZE];
    char archive[LAUNCH_VALUE_SIZE];

    if (GetIniValue(runtime, sizeof runtime, LAUNCH_CONFIG_FILE,
                    LAUNCH_SECTION, LAUNCH_RUNTIME_KEY) != 0)
        return -1;
    if (GetIniValue(archive, sizeof archive, LAUNCH_CONFIG_FILE,
                    LAUNCH_SECTION, LAUNCH_ARCHIVE_KEY) != 0)
        return -1;

    int at = Append(commandLine, 0, runtime);
    at = Append(commandLine, at, LAUNCH_SEPARATOR);
    Append(commandLine, at, archive);
    return 0;
}
