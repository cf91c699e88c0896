/* wintest.cpp - helpers of the Windows-side test programs; see wintest.h. */
#include "wintest.h"

#include <stdio.h>

std::string
Join(const std::string &folder, const std::string &name)
{
    return folder + "\\" + name;
}

std::string
FullPath(const std::string &path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : path;
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

bool
SameIgnoringCase(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

Launched
RunInJob(const std::string &program, const std::string &arguments,
         const std::string &folder, int show,
         const std::function<std::string(const PROCESS_INFORMATION &)>
             &debugger)
{
    Launched out = {0, 0, ""};
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
    if (show >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = (WORD)show;
    }
    std::string commandLine = "\"" + program + "\"" + arguments;
    PROCESS_INFORMATION process;
    /* Suspended until it is in the job, so nothing it starts escapes. */
    DWORD flags = CREATE_SUSPENDED;
    if (debugger)
        flags |= DEBUG_ONLY_THIS_PROCESS;
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr,
                        FALSE, flags, nullptr, folder.c_str(), &startup,
                        &process)) {
        out.failure = "cannot start " + program;
        return out;
    }
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    if (debugger) {
        out.failure = debugger(process);
        if (!out.failure.empty()) /* it may stand stopped at an event */
            TerminateProcess(process.hProcess, 0xDEAD);
    }
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
    if (!allGone && out.failure.empty())
        out.failure = "processes still running after 60 s";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(port);
    CloseHandle(job);
    return out;
}
