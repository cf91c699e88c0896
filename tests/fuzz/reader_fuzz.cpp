/*
 * reader_fuzz.cpp - the text-mode reader held to the plain model.
 *
 * The fuzzer's bytes are the file. Read whole, read a byte at a time, and
 * read in sizes that change from read to read, it must give the model's
 * pieces every time: a CR LF pair split between two reads is still one LF,
 * 0x1A still ends the file, a piece still ends after an LF or 499
 * characters. Also read into a small line buffer, and with one read
 * failing: then a prefix of the pieces and a final -1. The line buffer is
 * exactly as large as the call is told, on the heap, so AddressSanitizer
 * stops any write past it.
 */
#include <algorithm>
#include <cstdint>
#include <memory>

#include "../../config/textfile.h"
#include "../model/ini_model.h"
#include "../unit/fake_platform.h"
#include "fuzz_support.h"

namespace {

using fuzz::Require;
using Pieces = std::vector<std::string>;

struct Reading {
    Pieces pieces;
    int last;  /* 0 at the end, -1 after a failed read */
    int reads; /* ReadFile calls made */
};

Reading
ReadAll(const std::string &bytes, int size, const std::vector<DWORD> &sizes,
        int failAt)
{
    fake::Reset();
    fake::AddFile("f", bytes);
    fake::SetReadSizes(sizes);
    if (failAt > 0)
        fake::FailReadAt(failAt);
    TextFile text;
    Require(OpenTextFile(&text, "f") == 0, "cannot open");

    std::unique_ptr<char[]> line(new char[size]);
    Reading reading = {{}, 0, 0};
    int taken;
    while ((taken = ReadTextLine(&text, line.get(), size)) > 0) {
        Require(taken <= size - 1, "a piece longer than the buffer allows");
        Require(line[taken] == '\0', "a piece without its terminator");
        reading.pieces.push_back(std::string(line.get(), taken));
    }
    Require(taken == 0 || taken == -1, "a result below -1");
    reading.last = taken;
    reading.reads = fake::reads;
    Require(ReadTextLine(&text, line.get(), size) == taken,
            "the end or a failure did not stick");
    Require(fake::reads == reading.reads, "read on after the end or a failure");
    CloseTextFile(&text);
    Require(fake::openHandles == 0, "the file was left open");
    return reading;
}

void
RequirePieces(const Reading &got, const Pieces &want, const char *how)
{
    Require(got.last == 0, "a read failed with no failure injected", how);
    if (got.pieces == want)
        return;
    size_t i = 0;
    while (i < got.pieces.size() && i < want.size() && got.pieces[i] == want[i])
        i++;
    std::string detail = std::string(how) + ": piece " + std::to_string(i) +
                         " is " +
                         (i < got.pieces.size() ? fuzz::Shown(got.pieces[i])
                                                : "missing") +
                         ", model " +
                         (i < want.size() ? fuzz::Shown(want[i]) : "none");
    Require(false, "pieces differ", detail);
}

} /* namespace */

extern "C" int
LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes((const char *)data, size);
    fuzz::Choices choose(bytes);
    const Pieces want = model::Pieces(bytes, 499);
    const std::vector<DWORD> sizes = choose.ReadSizes();

    RequirePieces(ReadAll(bytes, 500, {}, 0), want, "whole blocks");
    RequirePieces(ReadAll(bytes, 500, {1}, 0), want, "a byte per read");
    Reading odd = ReadAll(bytes, 500, sizes, 0);
    RequirePieces(odd, want, "reads of changing sizes");

    int small = 2 + (int)choose.Below(30);
    RequirePieces(ReadAll(bytes, small, sizes, 0),
                  model::Pieces(bytes, (size_t)small - 1), "a small buffer");

    /* One read failing, from the first to one past the last. */
    int nth = 1 + (int)choose.Below((unsigned long long)odd.reads + 1);
    Reading failed = ReadAll(bytes, 500, sizes, nth);
    if (nth > odd.reads) {
        RequirePieces(failed, want, "failure past the last read");
        return 0;
    }
    Require(failed.last == -1, "a failed read was not reported");
    Require(failed.pieces.size() <= want.size() &&
                std::equal(failed.pieces.begin(), failed.pieces.end(),
                           want.begin()),
            "before a failed read, pieces other than the file's");
    return 0;
}
