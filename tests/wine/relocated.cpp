/*
 * relocated.cpp - the launcher, moved away from its preferred address,
 * still works.
 *
 *   relocated.exe LAUNCHER WORKDIR
 *
 * The launcher asks to be loaded at 0x400000 but allows any address
 * (DYNAMIC_BASE) and carries the relocation table that makes that true.
 * A process's main exe, though, always gets its preferred address, and
 * the loader applies no fixups to an exe that LoadLibrary maps (on Windows
 * as on Wine). So this test loads a copy of the launcher that differs in
 * one bit, the file header's DLL flag: the system loader then treats it as
 * a library, moves it, applies its fixups, binds its imports and calls its
 * entry point, all with the launcher's own bytes. This program is linked
 * at 0x400000 itself, without relocations, so that address is taken.
 *
 * It maps the copy without running it and checks that the image moved and
 * that every 32-bit fixup in memory holds the file's value plus the
 * distance moved. Then, for each case, it starts itself again with
 * "--enter" in WORKDIR\<case> holding a config.ini: that process loads
 * the copy for real, and the moved launcher reads the config, asks for the
 * runtime's start (or not) and ends the process with its own status, which
 * is compared with the expected one. Prints "ok" or "not ok" per check;
 * exits with the number of failed checks.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "wintest.h"

namespace {

int failures;

void
Report(bool ok, const std::string &what)
{
    printf("%s %s\n", ok ? "ok" : "not ok", what.c_str());
    failures += !ok;
}

DWORD
Read32(const unsigned char *at)
{
    DWORD value;
    memcpy(&value, at, sizeof value);
    return value;
}

/* File offset of an RVA, or 0 when no section's file data holds it. */
DWORD
FileOffset(const IMAGE_NT_HEADERS32 *nt, DWORD rva)
{
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; i++, section++) {
        DWORD size = section->SizeOfRawData;
        if (rva >= section->VirtualAddress &&
            rva + 4 <= section->VirtualAddress + size)
            return section->PointerToRawData + rva - section->VirtualAddress;
    }
    return 0;
}

/* Compares every HIGHLOW fixup of the mapped image with the file. */
void
CheckFixups(const char *launcher, const unsigned char *base)
{
    std::string bytes;
    if (!ReadBytes(launcher, &bytes) || bytes.size() < 0x200) {
        Report(false, std::string("read ") + launcher);
        return;
    }
    const unsigned char *file = (const unsigned char *)bytes.data();
    const IMAGE_NT_HEADERS32 *nt = (const IMAGE_NT_HEADERS32 *)(
        file + ((const IMAGE_DOS_HEADER *)file)->e_lfanew);
    DWORD preferred = nt->OptionalHeader.ImageBase;
    DWORD delta = (DWORD)(UINT_PTR)base - preferred;
    char text[160];
    snprintf(text, sizeof text, "moved from 0x%08lx to 0x%08lx",
             (unsigned long)preferred, (unsigned long)(UINT_PTR)base);
    Report(delta != 0, text);

    const IMAGE_DATA_DIRECTORY *directory =
        &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    DWORD at = FileOffset(nt, directory->VirtualAddress);
    DWORD end = at + directory->Size;
    int fixed = 0, wrong = 0;
    while (at != 0 && at + 8 <= end && end <= bytes.size()) {
        DWORD page = Read32(&file[at]);
        DWORD size = Read32(&file[at + 4]);
        if (size < 8)
            break;
        for (DWORD k = 8; k + 2 <= size; k += 2) {
            WORD entry = (WORD)(file[at + k] | file[at + k + 1] << 8);
            if (entry >> 12 != IMAGE_REL_BASED_HIGHLOW)
                continue;
            DWORD rva = page + (entry & 0xFFF);
            DWORD offset = FileOffset(nt, rva);
            if (offset == 0 || Read32(base + rva) !=
                                   Read32(&file[offset]) + delta)
                wrong++;
            fixed++;
        }
        at += size;
    }
    snprintf(text, sizeof text,
             "%d fixups, %d of them not moved by the distance", fixed, wrong);
    Report(fixed > 0 && wrong == 0, text);
}

/* Writes the launcher with the DLL flag set to copy. */
bool
CopyAsLibrary(const char *launcher, const std::string &copy)
{
    std::string bytes;
    if (!ReadBytes(launcher, &bytes) || bytes.size() < 0x200)
        return false;
    IMAGE_NT_HEADERS32 *nt = (IMAGE_NT_HEADERS32 *)(
        &bytes[0] + ((IMAGE_DOS_HEADER *)&bytes[0])->e_lfanew);
    nt->FileHeader.Characteristics |= IMAGE_FILE_DLL;
    return WriteBytes(copy, bytes);
}

/* The "--enter" half: the loader calls the launcher's entry point, which
 * ends this process through ExitProcess; 100 if it ever comes back. */
int
Enter(const char *copy)
{
    LoadLibraryA(copy);
    return 100;
}

struct Case {
    const char *name;
    const char *config;
    DWORD exitCode;
};

const Case kCases[] = {
    /* Reads both values, composes the command line and asks for a start
     * (of a runtime that does not exist, which the launcher ignores). */
    {"complete", "[pelgrove]\r\njre=no-such-runtime.exe\r\njar=app.jar\r\n",
     0},
    {"no-jar", "[pelgrove]\r\njre=no-such-runtime.exe\r\n", 0xFFFFFFFF},
};

void
RunCase(const char *self, const char *copy, const std::string &work,
        const Case &c)
{
    std::string folder = Join(work, c.name);
    CreateDirectoryA(folder.c_str(), nullptr);
    DWORD exitCode = 0x7FFFFFFF;
    if (WriteBytes(Join(folder, "config.ini"), c.config))
        exitCode = RunInJob(self, std::string(" --enter \"") + copy + "\"",
                            folder, -1).exitCode;
    char text[160];
    snprintf(text, sizeof text, "%s: moved launcher exits 0x%08lx, want "
             "0x%08lx", c.name, (unsigned long)exitCode,
             (unsigned long)c.exitCode);
    Report(exitCode == c.exitCode, text);
}

} /* namespace */

int
main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "--enter") == 0)
        return Enter(argv[2]);
    if (argc != 3) {
        fprintf(stderr, "usage: relocated.exe LAUNCHER WORKDIR\n");
        return 2;
    }
    CreateDirectoryA(argv[2], nullptr);
    std::string copy = Join(argv[2], "pelgrove-as-library.exe");
    if (!CopyAsLibrary(argv[1], copy)) {
        Report(false, "copy " + std::string(argv[1]) + " to " + copy);
        return failures;
    }
    HMODULE image = LoadLibraryExA(copy.c_str(), nullptr,
                                   DONT_RESOLVE_DLL_REFERENCES);
    Report(image != nullptr, "map " + copy + " without running it");
    if (image == nullptr)
        return failures;
    CheckFixups(argv[1], (const unsigned char *)image);

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    for (const Case &c : kCases)
        RunCase(self, copy.c_str(), argv[2], c);
    return failures;
}
