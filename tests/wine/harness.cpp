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
 */
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

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
};

struct Outcome {
    DWORD exitCode;
    DWORD processes; /* started in the job, the launcher included */
    std::string failure;
};

std::string
Join(const std::string &folder, const std::string &name)
{
    return folder + "\\" + name;
}

bool
WriteBytes(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

bool
ReadBytes(const std::string &path, std::string *bytes)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char block[4096];
    size_t n;
    bytes->clear();
    while ((n = fread(block, 1, sizeof block, file)) > 0)
        bytes->append(block, n);
    fclose(file);
    return true;
}

/* The value of "name=" in the child's record, or "(missing)". */
std::string
Field(const std::string &record, const std::string &name)
{
    std::string key = name + "=";
    size_t at = 0;
    while (at < record.size()) {
        size_t end = record.find('\n', at);
        if (end == std::string::npos)
            end = record.size();
        if (record.compare(at, key.size(), key) == 0)
            return record.substr(at + key.size(), end - at - key.size());
        at = end + 1;
    }
    return "(missing)";
}

std::string
FullPath(const char *path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : std::string(path);
}

bool
SameIgnoringCase(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

/* Starts the launcher in a job and waits until it and everything it started
 * have exited. */
Outcome
Run(const std::string &launcher, const Case &c, const std::string &folder)
{
    Outcome out = {0, 0, ""};
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link = {job, port};
    if (!job || !port ||
        !SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation,
                                 &link, sizeof link)) {
        out.failure = "cannot set up a job object";
        return out;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (c.show >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = (WORD)c.show;
    }
    std::string commandLine = "\"" + launcher + "\"" + c.arguments;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(launcher.c_str(), &commandLine[0], nullptr, nullptr,
                        FALSE, CREATE_SUSPENDED, nullptr, folder.c_str(),
                        &startup, &process)) {
        out.failure = "cannot start the launcher";
        return out;
    }
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &out.exitCode);

    DWORD message;
    ULONG_PTR key;
    LPOVERLAPPED detail;
    bool allGone = false;
    while (GetQueuedCompletionStatus(port, &message, &key, &detail, 60000))
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
            allGone = true;
            break;
        }
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    QueryInformationJobObject(job, JobObjectBasicAccountingInformation,
                              &accounting, sizeof accounting, nullptr);
    out.processes = accounting.TotalProcesses;
    if (!allGone)
        out.failure = "processes still running after 60 s";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(port);
    CloseHandle(job);
    return out;
}

std::string
Check(const std::string &launcher, const std::string &work, const Case &c)
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
    else if (c.config && !WriteBytes(config, c.config + c.entries))
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
    Outcome out = Run(launcher, c, folder);
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (!out.failure.empty())
        return out.failure;

    char text[256];
    if (out.exitCode != c.exitCode) {
        snprintf(text, sizeof text, "exit code 0x%08lX, expected 0x%08lX",
                 (unsigned long)out.exitCode, (unsigned long)c.exitCode);
        return text;
    }
    DWORD expectedProcesses = c.childCommand.empty() ? 1 : 2;
    if (out.processes != expectedProcesses) {
        snprintf(text, sizeof text, "%lu processes ran, expected %lu",
                 (unsigned long)out.processes, (unsigned long)expectedProcesses);
        return text;
    }
    std::string got;
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

    const std::vector<Case> cases = {
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

    int failures = 0;
    for (const Case &c : cases) {
        std::string failure = Check(launcher, work, c);
        if (failure.empty()) {
            printf("ok %s\n", c.name.c_str());
        } else {
            printf("not ok %s: %s\n", c.name.c_str(), failure.c_str());
            failures++;
        }
        fflush(stdout);
    }
    printf("%d of %u cases failed\n", failures, (unsigned)cases.size());
    return failures;
}
