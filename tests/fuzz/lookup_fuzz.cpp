/*
 * lookup_fuzz.cpp - GetIniValue and WinMain held to the plain model.
 *
 * The fuzzer's bytes are the whole of config.ini, served by the in-memory
 * platform. Each input is looked up for jre and for jar in [pelgrove], and
 * for one section and one key taken from the input itself, so that other
 * names, the empty key and odd bytes are matched too. Every answer must be
 * the model's (tests/model), and around every call:
 *
 *   - the value buffer is exactly as large as the call is told, on the
 *     heap, so AddressSanitizer stops any write past it;
 *   - on -1 the buffer is byte for byte what it was;
 *   - a delivered value has no space, CR or LF at either end;
 *   - no file is left open, and the file is opened at most once;
 *   - the value fits in exactly its length + 1 bytes and is refused, not
 *     cut, with one byte less;
 *   - the Nth read failing gives -1 or the model's very value, and changes
 *     nothing when N is past the last read;
 *   - WinMain starts the command line the model gives, or nothing; with a
 *     read failing, that command line or nothing.
 */
#include <cstdint>
#include <cstring>
#include <memory>

#include "../../config/ini.h"
#include "../model/ini_model.h"
#include "../unit/fake_platform.h"
#include "fuzz_support.h"

namespace {

using fuzz::Require;
using fuzz::Shown;

struct Names {
    std::string section;
    std::string key;
};

struct Call {
    int result;
    std::string value; /* when result is 0 */
    int reads;
};

Call
CallLookup(const std::string &bytes, const Names &names, size_t capacity,
           const std::vector<DWORD> &sizes, int failAt)
{
    fake::Reset();
    fake::AddFile("config.ini", bytes);
    fake::SetReadSizes(sizes);
    if (failAt > 0)
        fake::FailReadAt(failAt);

    /* AddressSanitizer lets a zero-byte allocation take one byte, so a
     * buffer of capacity 0 gets that byte and it is compared instead. */
    size_t room = capacity > 0 ? capacity : 1;
    std::unique_ptr<char[]> value(new char[room]);
    std::vector<char> before(room);
    for (size_t i = 0; i < room; i++)
        value[i] = before[i] = (char)(0xA5 ^ i);

    int result = GetIniValue(value.get(), (int)capacity, "config.ini",
                             names.section.c_str(), names.key.c_str());
    Require(fake::openHandles == 0, "a lookup left the file open");
    Require(fake::opens.size() <= 1, "a lookup opened the file twice");
    Require(result == 0 || result == -1, "a result other than 0 or -1");

    Call call = {result, "", fake::reads};
    if (result != 0) {
        Require(std::memcmp(value.get(), before.data(), room) == 0,
                "the value buffer changed on -1");
        return call;
    }
    size_t length = strnlen(value.get(), capacity);
    Require(length < capacity, "a value without its terminator");
    call.value.assign(value.get(), length);
    const char *blank = " \r\n";
    Require(length == 0 || (std::strchr(blank, call.value.front()) == nullptr &&
                            std::strchr(blank, call.value.back()) == nullptr),
            "a value with a blank at one end:", Shown(call.value));
    return call;
}

void
RequireModel(const Call &call, const model::Found &want, const Names &names,
             const char *how)
{
    std::string detail = std::string(how) + " [" + Shown(names.section) +
                         "] " + Shown(names.key) + ": got " +
                         std::to_string(call.result) + " " +
                         Shown(call.value) + ", model " +
                         (want.found ? "0 " + Shown(want.value) : "-1");
    Require(call.result == (want.found ? 0 : -1), "result differs", detail);
    Require(call.value == want.value, "value differs", detail);
}

void
CheckLookup(const std::string &bytes, const Names &names,
            fuzz::Choices *choose)
{
    const model::Found want = model::Lookup(bytes, names.section, names.key);
    const std::vector<DWORD> sizes = choose->ReadSizes();

    /* The largest buffer there is reason for, whole blocks. */
    RequireModel(CallLookup(bytes, names, INI_LINE_SIZE, {}, 0), want, names,
                 "whole blocks");

    /* Exactly the room the value needs, then one byte less. */
    size_t need = want.found ? want.value.size() + 1 : 1;
    Call exact = CallLookup(bytes, names, need, sizes, 0);
    RequireModel(exact, want, names, "exact buffer, odd reads");
    Require(CallLookup(bytes, names, need - 1, sizes, 0).result == -1,
            "a value was taken into a buffer one byte too small");

    /* One read failing, from the first to one past the last. */
    int nth = 1 + (int)choose->Below((unsigned long long)exact.reads + 1);
    Call failed = CallLookup(bytes, names, need, sizes, nth);
    if (nth > exact.reads) {
        RequireModel(failed, want, names, "failure past the last read");
    } else if (failed.result == 0) {
        RequireModel(failed, want, names, "found before a failed read");
    }
}

/* One header name and one key that stand in the file, when there are any.
 * Keys are taken from every line, comments and headers too, so that a key
 * such as "#jre" or "[x]" is looked up and must not be found; the header
 * name may be "pelgrove" again, and the key may be empty. */
Names
NamesFromFile(const std::string &bytes, fuzz::Choices *choose)
{
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    for (const std::string &piece : model::Pieces(bytes, INI_LINE_SIZE - 1)) {
        std::string line = piece.substr(0, piece.find('\0'));
        size_t first = line.find_first_not_of(" \r\n");
        if (first == std::string::npos)
            continue;
        line = line.substr(first, line.find_last_not_of(" \r\n") - first + 1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            sections.push_back(line.substr(1, line.size() - 2));
        keys.push_back(line.substr(0, line.find('=')));
    }
    Names names = {"pelgrove", ""};
    if (!sections.empty())
        names.section = sections[choose->Below(sections.size())];
    if (!keys.empty())
        names.key = keys[choose->Below(keys.size())];
    return names;
}

/* Runs the launcher; returns its exit status, and the ReadFile calls it
 * made in *reads. */
int
CallWinMain(const std::string &bytes, const std::vector<DWORD> &sizes,
            int failAt, int *reads)
{
    fake::Reset();
    fake::AddFile("config.ini", bytes);
    fake::SetReadSizes(sizes);
    if (failAt > 0)
        fake::FailReadAt(failAt);
    std::string arguments = "--ignored";
    int status = WinMain(nullptr, nullptr, &arguments[0], 0);
    Require(fake::openHandles == 0, "the launcher left the file open");
    Require(status == 0 || status == -1, "an exit status other than 0 or -1");
    Require(fake::starts.size() == (status == 0 ? 1u : 0u),
            "process starts do not match the exit status");
    *reads = fake::reads;
    return status;
}

void
CheckLaunch(const std::string &bytes, fuzz::Choices *choose)
{
    const model::Launch want = model::Launcher(bytes);
    const std::vector<DWORD> sizes = choose->ReadSizes();
    int reads;
    int status = CallWinMain(bytes, sizes, 0, &reads);
    Require(status == (want.starts ? 0 : -1), "exit status differs",
            want.starts ? "model starts " + Shown(want.commandLine)
                        : "model starts nothing");
    if (want.starts)
        Require(fake::starts[0].commandLine == want.commandLine,
                "started the wrong command line",
                Shown(fake::starts[0].commandLine) + " instead of " +
                    Shown(want.commandLine));

    /* With one read failing, the model's command line or nothing. */
    int nth = 1 + (int)choose->Below((unsigned long long)reads + 1);
    int unused;
    int failed = CallWinMain(bytes, sizes, nth, &unused);
    Require(nth <= reads || failed == status,
            "a failure past the last read changed the outcome");
    if (failed == 0)
        Require(want.starts &&
                    fake::starts[0].commandLine == want.commandLine,
                "a failed read started something else",
                Shown(fake::starts[0].commandLine));
}

} /* namespace */

extern "C" int
LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes((const char *)data, size);
    fuzz::Choices choose(bytes);
    CheckLookup(bytes, {"pelgrove", "jre"}, &choose);
    CheckLookup(bytes, {"pelgrove", "jar"}, &choose);
    CheckLookup(bytes, NamesFromFile(bytes, &choose), &choose);
    CheckLaunch(bytes, &choose);
    return 0;
}
