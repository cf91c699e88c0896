/*
 * harness.cpp - runs the real launcher under Wine, case by case.
 *
 *   harness.exe LAUNCHER CHILD WORKDIR
 *
 * For each case it makes WORKDIR\<case>, writes config.ini there, and starts
 * LAUNCHER with that folder as its working directory, in a job object so
 * that every process the launcher starts is counted and waited for. It
 * reads the launcher's full 32-bit exit code (a Unix parent would only see
 * the low 8 bits) and, when a child was expected, the record that CHILD
 * wrote (see child.cpp). Prints "ok" or "not ok" per case; exits with the
 * number of failed cases.
 *
 * Some cases also read the launcher's peak memory. Wine zeroes a process's
 * memory counters as soon as it has exited, so the harness starts those as
 * its debugger and reads the counters while the launcher stands at its
 * call to ExitProcess, its work done.
 *
 * Files that are large or random are made here at run time; the random
 * ones, seeded, get their expected outcome from the plain model of the
 * lookup (tests/model).
 */
#include <windows.h>
#include <psapi.h>

#include <stdio.h>

#include <map>
#include <string>
#include <vector>

#include "../model/ini_model.h"
#include "wintest.h"

namespace {

enum Hold { NOT_HELD, HELD_SHARED, HELD_EXCLUSIVE };

struct Case {
    std::string name;
    const char *config;         /* nullptr: no config.ini at all */
    std::string entries;        /* appended to config */
    std::string arguments;      /* given to the launcher, to be ignored */
    int show;                   /* launcher's own show request; -1: none */
    Hold hold;                  /* config.ini held open by the harness */
    bool configIsDirectory;
    DWORD exitCode;
    std::string childCommand;   /* empty: nothing may be started */
    std::string childModule;    /* the program that must have run */
    /* The rest is for the cases made at run time. */
    bool childMayNotRun = false;  /* a start whose program may not exist;
                                     if a child ran, it had childCommand */
    size_t fillTo = 0;            /* filler after config up to this size */
    bool measurePeak = false;     /* read the launcher's peak memory */
    std::string peakBaseline;     /* a measured case this one must not
                                     exceed by more than kPeakSlack */
};

struct Peak {
    SIZE_T workingSet; /* most memory resident at once */
    SIZE_T committed;  /* most private memory committed at once */
};

/* Reading a big config.ini must not need memory in proportion to it: the
 * launcher reads in fixed blocks. Allow this much above a tiny config for
 * the noise of a Wine process (shared pages touched, heap growth in the
 * loader), which is far below the size of the big file. */
const SIZE_T kPeakSlack = 4u << 20;

/* Lines a big config.ini is filled with: other sections holding the keys,
 * a [pelgrove] section without them, commented-out entries, a line longer
 * than a piece, lone CRs. None of it may be taken. */
const char kFiller[] =
    "[other]\r\njre=wrong.exe\r\njar=wrong.jar\r\n"
    "[pelgrove]\r\n# jre=commented.exe\r\n!jar=commented.jar\r\n"
    "jre =spaced.exe\r\nJAR=upper.jar\r\n[tools]\r\n"
    "note=a lone\rCR\r\n"
    "long=xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "\r\n";

/* Writes head, then copies of kFiller until the file has fillTo bytes or
 * more, then tail. */
bool
WriteConfig(const std::string &path, const std::string &head, size_t fillTo,
            const std::string &tail)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = fwrite(head.data(), 1, head.size(), file) == head.size();
    std::string block;
    while (block.size() < (1u << 20))
        block += kFiller;
    for (size_t size = head.size(); ok && size < fillTo; size += block.size())
        ok = fwrite(block.data(), 1, block.size(), file) == block.size();
    ok = ok && fwrite(tail.data(), 1, tail.size(), file) == tail.size();
    return fclose(file) == 0 && ok;
}

/* Debugs the launcher from its start to its end; while it stands at its
 * call to ExitProcess, reads its peak memory. A breakpoint goes on
 * KERNEL32's ExitProcess once the loader has stopped at its own initial
 * breakpoint; system DLLs sit at the same address in every process, which
 * the byte read back from the launcher confirms. */
std::string
MeasurePeak(const PROCESS_INFORMATION &process, Peak *peak)
{
    BYTE *exitProcess = (BYTE *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                               "ExitProcess");
    BYTE original = 0;
    bool armed = false;
    bool measured = false;
    DEBUG_EVENT event;
    while (WaitForDebugEvent(&event, 60000)) {
        DWORD how = DBG_CONTINUE;
        SIZE_T n;
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
            CloseHandle(event.u.CreateProcessInfo.hFile);
        } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
            CloseHandle(event.u.LoadDll.hFile);
        } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
            const EXCEPTION_RECORD &record =
                event.u.Exception.ExceptionRecord;
            BYTE breakpoint = 0xCC;
            if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                how = DBG_EXCEPTION_NOT_HANDLED; /* the launcher's own */
            } else if (!armed) {
                if (!ReadProcessMemory(process.hProcess, exitProcess,
                                       &original, 1, &n) ||
                    original != *exitProcess ||
                    !WriteProcessMemory(process.hProcess, exitProcess,
                                        &breakpoint, 1, &n))
                    return "cannot set a breakpoint on ExitProcess";
                FlushInstructionCache(process.hProcess, exitProcess, 1);
                armed = true;
            } else if (record.ExceptionAddress == exitProcess) {
                PROCESS_MEMORY_COUNTERS counters = {};
                counters.cb = sizeof counters;
                if (!K32GetProcessMemoryInfo(process.hProcess, &counters,
                                             sizeof counters) ||
                    counters.PeakWorkingSetSize == 0)
                    return "cannot read the launcher's memory counters";
                peak->workingSet = counters.PeakWorkingSetSize;
                peak->committed = counters.PeakPagefileUsage;
                measured = true;
                /* Put the byte back and let ExitProcess run from its start. */
                CONTEXT context = {};
                context.ContextFlags = CONTEXT_CONTROL;
                HANDLE thread = OpenThread(THREAD_GET_CONTEXT |
                                               THREAD_SET_CONTEXT,
                                           FALSE, event.dwThreadId);
                bool resumed =
                    thread != nullptr &&
                    WriteProcessMemory(process.hProcess, exitProcess,
                                       &original, 1, &n) &&
                    FlushInstructionCache(process.hProcess, exitProcess, 1) &&
                    GetThreadContext(thread, &context);
                context.Eip = (DWORD)(ULONG_PTR)exitProcess;
                resumed = resumed && SetThreadContext(thread, &context);
                if (thread != nullptr)
                    CloseHandle(thread);
                if (!resumed)
                    return "cannot resume the launcher after the breakpoint";
            }
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, how);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
            return measured ? "" : "the launcher ended without ExitProcess";
    }
    return "no debug event from the launcher for 60 s";
}

std::string
Megabytes(SIZE_T bytes)
{
    char text[32];
    snprintf(text, sizeof text, "%.2f MiB", bytes / 1048576.0);
    return text;
}

/* Runs one case. note receives what was measured, for the "ok" line; peaks
 * holds the measured cases so far, by name. */
std::string
Check(const std::string &launcher, const std::string &work, const Case &c,
      std::map<std::string, Peak> *peaks, std::string *note)
{
    std::string folder = Join(work, c.name);
    std::string config = Join(folder, "config.ini");
    std::string record = Join(folder, "child-record.txt");
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA(record.c_str());
    DeleteFileA(config.c_str());
    RemoveDirectoryA(config.c_str());
    if (c.configIsDirectory)
        CreateDirectoryA(config.c_str(), nullptr);
    else if (c.config && !WriteConfig(config, c.config, c.fillTo, c.entries))
        return "cannot write config.ini";

    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.hold != NOT_HELD) {
        DWORD share = c.hold == HELD_SHARED ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
        held = CreateFileA(config.c_str(), GENERIC_WRITE, share, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (held == INVALID_HANDLE_VALUE)
            return "cannot hold config.ini open";
    }
    SetEnvironmentVariableA("PELGROVE_PROBE", c.name.c_str());
    Peak peak = {0, 0};
    Launched out = RunInJob(
        launcher, c.arguments, folder, c.show,
        c.measurePeak ? [&peak](const PROCESS_INFORMATION &process) {
            return MeasurePeak(process, &peak);
        } : std::function<std::string(const PROCESS_INFORMATION &)>());
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (c.fillTo > 0) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(config.c_str(), GetFileExInfoStandard, &data);
        *note = "config.ini of " +
                std::to_string(((unsigned long long)data.nFileSizeHigh << 32) +
                               data.nFileSizeLow) +
                " bytes; ";
        DeleteFileA(config.c_str()); /* no need to keep 64 MB around */
    }
    if (!out.failure.empty())
        return out.failure;

    if (c.measurePeak) {
        (*peaks)[c.name] = peak;
        *note += "peak working set " + Megabytes(peak.workingSet) +
                ", peak committed " + Megabytes(peak.committed);
    }
    if (!c.peakBaseline.empty()) {
        auto baseline = peaks->find(c.peakBaseline);
        if (baseline == peaks->end())
            return "no measured baseline " + c.peakBaseline;
        const Peak &base = baseline->second;
        *note += "; " + c.peakBaseline + ": " + Megabytes(base.workingSet) +
                 ", " + Megabytes(base.committed);
        if (peak.workingSet > base.workingSet + kPeakSlack ||
            peak.committed > base.committed + kPeakSlack)
            return "needs more memory than with a tiny config: " + *note;
    }

    char text[256];
    std::string got;
    if (out.exitCode != c.exitCode) {
        snprintf(text, sizeof text, "exit code 0x%08lX, expected 0x%08lX",
                 (unsigned long)out.exitCode, (unsigned long)c.exitCode);
        return text;
    }
    DWORD expectedProcesses = c.childCommand.empty() ? 1 : 2;
    if (c.childMayNotRun && out.processes == 1)
        return ReadBytes(record, &got) ? "a child wrote a record" : "";
    if (out.processes != expectedProcesses) {
        snprintf(text, sizeof text, "%lu processes ran, expected %lu",
                 (unsigned long)out.processes, (unsigned long)expectedProcesses);
        return text;
    }
    bool recorded = ReadBytes(record, &got);
    if (c.childCommand.empty())
        return recorded ? "a child wrote a record" : "";
    if (!recorded)
        return "the child wrote no record";

    const struct {
        const char *field;
        std::string expected;
        bool ignoreCase;
    } checks[] = {
        {"command", c.childCommand, false},
        {"module", c.childModule, true},
        {"flags", "1", false},
        {"show", "5", false},
        {"directory", folder, true},
        {"probe", c.name, false},
    };
    for (const auto &check : checks) {
        std::string value = Field(got, check.field);
        bool same = check.ignoreCase ? SameIgnoringCase(value, check.expected)
                                     : value == check.expected;
        if (!same)
            return std::string(check.field) + " was [" + value +
                   "], expected [" + check.expected + "]";
    }
    return "";
}

std::string
RandomBytes(Random *random, unsigned most)
{
    std::string bytes(random->Below(most + 1), '\0');
    for (char &c : bytes)
        c = (char)random->Below(256);
    return bytes;
}

/* A config.ini of random binary bytes: a third of them nothing but that,
 * the rest with the lines of a working config buried in it, so that some
 * start the child and some start nothing. The model says which, and with
 * which command line. */
Case
RandomBinaryCase(int number, Random *random, const std::string &child)
{
    std::string bytes;
    if (random->Below(3) == 0) {
        bytes = RandomBytes(random, 4000);
    } else {
        const std::string lines[] = {"[pelgrove]\r\n", "jre=" + child + "\r\n",
                                     "jar=app.jar\r\n"};
        for (const std::string &line : lines) {
            bytes += RandomBytes(random, 40);
            if (random->Below(8) != 0)
                bytes += "\r\n";
            bytes += line;
        }
        bytes += RandomBytes(random, 40);
    }
    const model::Launch launch = model::Launcher(bytes);
    char name[32];
    snprintf(name, sizeof name, "RandomBinary%02d", number);
    Case c = {name, "", bytes, "", -1, NOT_HELD, false, 0xFFFFFFFF, "", ""};
    if (launch.starts) {
        c.exitCode = 0;
        c.childCommand = launch.commandLine;
        c.childModule = child;
        /* A runtime value other than the child's path names no program,
         * unless what follows a space is taken as arguments. */
        c.childMayNotRun = launch.runtime != child;
    }
    return c;
}

} /* namespace */

int
main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: harness LAUNCHER CHILD WORKDIR\n");
        return 100;
    }
    /* Accept Unix paths too: Wine resolves them on the current drive. */
    const std::string launcher = FullPath(argv[1]);
    const std::string child = FullPath(argv[2]);
    const std::string work = FullPath(argv[3]);
    CreateDirectoryA(work.c_str(), nullptr);

    /* Copies of the child in a folder with a space in its name: one named
     * with a space too, one named what the platform tries first when the
     * path goes out unquoted. */
    const std::string spaced = Join(work, "with space");
    const std::string spacedChild = Join(spaced, "child app.exe");
    const std::string prefixChild = Join(spaced, "child.exe");
    CreateDirectoryA(spaced.c_str(), nullptr);
    if (!CopyFileA(child.c_str(), spacedChild.c_str(), FALSE) ||
        !CopyFileA(child.c_str(), prefixChild.c_str(), FALSE)) {
        fprintf(stderr, "cannot copy the child program\n");
        return 100;
    }

    const DWORD failed = 0xFFFFFFFF;
    const char *section = "[pelgrove]\r\n";
    const std::string runtime = "jre=" + child + "\r\n";
    const std::string archive = "jar=app.jar\r\n";
    const std::string started = child + " -jar app.jar";
    const std::string jar99 = std::string(95, 'a') + ".jar";
    const std::string jar100 = std::string(96, 'a') + ".jar";

    std::vector<Case> cases = {
        {"NormalStart", section, runtime + archive, "", -1, NOT_HELD, false,
         0, started, child},
        {"NoConfigFile", nullptr, "", "", -1, NOT_HELD, false, failed, "", ""},
        {"ConfigIsADirectory", nullptr, "", "", -1, NOT_HELD, true, failed, "",
         ""},
        {"NoSection", "[other]\r\n", runtime + archive, "", -1, NOT_HELD, false,
         failed, "", ""},
        {"NoRuntime", section, archive, "", -1, NOT_HELD, false, failed, "",
         ""},
        {"NoArchive", section, runtime, "", -1, NOT_HELD, false, failed, "",
         ""},
        {"HiddenLauncherStillShowsChild", section, runtime + archive, "",
         SW_HIDE, NOT_HELD, false, 0, started, child},
        {"MinimisedLauncherStillShowsChild", section, runtime + archive, "",
         SW_SHOWMINNOACTIVE, NOT_HELD, false, 0, started, child},
        {"ArgumentsNotForwarded", section, runtime + archive,
         " --verbose other.jar \"a b\"", SW_SHOWNORMAL, NOT_HELD, false, 0,
         started, child},
        {"QuotesAndSpacesPassedUnchanged", section,
         "jre=\"" + spacedChild + "\"\r\njar=\"my app.jar\"\r\n", "", -1,
         NOT_HELD, false, 0, "\"" + spacedChild + "\" -jar \"my app.jar\"",
         spacedChild},
        /* Unquoted, the platform tries each space-separated prefix in
         * turn and runs "with space\child.exe". (Wine then hands the child
         * the program part quoted; Windows leaves the line as it was.) */
        {"UnquotedSpacesLeaveTheChoiceToThePlatform", section,
         "jre=" + spacedChild + "\r\njar=my app.jar\r\n", "", -1, NOT_HELD,
         false, 0, "\"" + Join(spaced, "child") + "\" app.exe -jar my app.jar",
         prefixChild},
        {"ValueOf99Accepted", section, runtime + "jar=" + jar99 + "\r\n", "",
         -1, NOT_HELD, false, 0, child + " -jar " + jar99, child},
        {"ValueOf100Refused", section, runtime + "jar=" + jar100 + "\r\n", "",
         -1, NOT_HELD, false, failed, "", ""},
        {"HeldOpenForWritingStillRead", section, runtime + archive, "", -1,
         HELD_SHARED, false, 0, started, child},
        {"LockedExclusivelyStartsNothing", section, runtime + archive, "", -1,
         HELD_EXCLUSIVE, false, failed, "", ""},
        {"MissingRuntimeIsNotNoticed", section,
         "jre=" + Join(work, "no such runtime.exe") + "\r\n" + archive, "", -1,
         NOT_HELD, false, 0, "", ""},
    };

    /* The launcher's peak memory with a tiny config, then with a 64 MB one
     * whose section stands at its very end. */
    Case tiny = {"PeakMemoryTinyConfig", section, runtime + archive, "", -1,
                 NOT_HELD, false, 0, started, child};
    tiny.measurePeak = true;
    cases.push_back(tiny);
    Case big = {"Config64MegabytesSectionAtEnd", "# 64 MB\r\n",
                section + runtime + archive, "", -1, NOT_HELD, false, 0,
                started, child};
    big.fillTo = 64u << 20;
    big.measurePeak = true;
    big.peakBaseline = tiny.name;
    cases.push_back(big);

    const int kRandomBinary = 40;
    Random random(0x434F'4E46'4947'494Eull);
    int randomStarts = 0;
    for (int i = 0; i < kRandomBinary; i++) {
        cases.push_back(RandomBinaryCase(i, &random, child));
        randomStarts += cases.back().exitCode == 0;
    }
    printf("# %d random binary configs, %d of which the model says start\n",
           kRandomBinary, randomStarts);

    int failures = 0;
    std::map<std::string, Peak> peaks;
    for (const Case &c : cases) {
        std::string note;
        std::string failure = Check(launcher, work, c, &peaks, &note);
        if (failure.empty()) {
            printf("ok %s%s%s\n", c.name.c_str(), note.empty() ? "" : ": ",
                   note.c_str());
        } else {
            printf("not ok %s: %s\n", c.name.c_str(), failure.c_str());
            failures++;
        }
        fflush(stdout);
    }
    printf("%d of %u cases failed\n", failures, (unsigned)cases.size());
    return failures;
}
