/*
 * child.cpp - the program the launcher starts in the Wine tests.
 *
 * A GUI-subsystem program like a real Java runtime's windowed launcher. It
 * writes what it was given into child-record.txt in its working directory
 * and exits: its command line, its own path, the show request from its
 * start-up record, its working directory and one inherited environment
 * variable. The harness compares that with what the launcher should pass.
 */
#include <windows.h>

#include <stdio.h>

int WINAPI
WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof module);
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    char probe[256] = "";
    GetEnvironmentVariableA("PELGROVE_PROBE", probe, sizeof probe);

    FILE *record = fopen("child-record.txt", "wb");
    if (record == nullptr)
        return 1;
    fprintf(record, "command=%s\n", GetCommandLineA());
    fprintf(record, "module=%s\n", module);
    fprintf(record, "flags=%lu\n", (unsigned long)startup.dwFlags);
    fprintf(record, "show=%u\n", (unsigned)startup.wShowWindow);
    fprintf(record, "directory=%s\n", directory);
    fprintf(record, "probe=%s\n", probe);
    fclose(record);
    return 0;
}
