/*
 * referee.cpp - the platform's own text mode as referee for our reader.
 *
 *   referee.exe WORKDIR
 *
 * The launcher carries no C runtime and reads config.ini with a reader of
 * its own (config/textfile.cpp) that must keep the C runtime's text-mode
 * behaviour, because configuration files written on Windows rely on it.
 * This program, which does link the C runtime, writes files into WORKDIR
 * and reads each one three ways:
 *
 *   - the C runtime: fopen in text mode, fgets into a 500-byte buffer;
 *   - the launcher's reader, with the same 500-byte line;
 *   - the plain model (tests/model), which the fuzzers trust;
 *
 * and requires the same pieces from all three, byte for byte. The files are
 * hand-made tricky ones (CR LF on the 499 boundary, CRs at the ends of the
 * runtime's and our buffers, 0x1A in several places, NUL bytes, long lines,
 * lone CRs) and a few hundred seeded random ones. Prints "ok" or "not ok"
 * per hand-made file and per differing random file; exits with the number
 * of files that differ. A differing file is kept for a look.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "../model/ini_model.h"
#include "referee_reader.h"
#include "wintest.h"

namespace {

typedef std::vector<std::string> Pieces;

/* The line buffer of the launcher's lookup: pieces of up to 499. */
const int kLineSize = 500;

struct File {
    std::string name;
    std::string bytes;
};

/*
 * The pieces fgets gives. fgets does not say how many characters it took,
 * and it takes a NUL byte like any other, so strlen cannot tell where a
 * piece ends. The file is therefore read through two streams in step, into
 * buffers filled beforehand with two different bytes: what fgets wrote is
 * exactly where the two buffers agree, and its last byte is the terminator.
 */
bool
RuntimePieces(const std::string &path, Pieces *pieces, std::string *trouble)
{
    FILE *a = fopen(path.c_str(), "rt");
    FILE *b = fopen(path.c_str(), "rt");
    if (a == nullptr || b == nullptr) {
        *trouble = "the C runtime cannot open the file";
        if (a != nullptr)
            fclose(a);
        if (b != nullptr)
            fclose(b);
        return false;
    }
    bool ok = true;
    for (;;) {
        char lineA[kLineSize];
        char lineB[kLineSize];
        memset(lineA, 0x55, sizeof lineA);
        memset(lineB, 0xAA, sizeof lineB);
        char *gotA = fgets(lineA, sizeof lineA, a);
        char *gotB = fgets(lineB, sizeof lineB, b);
        if (gotA == nullptr || gotB == nullptr) {
            if (gotA != gotB || ferror(a) || ferror(b)) {
                *trouble = "the C runtime's two streams disagree or failed";
                ok = false;
            }
            break;
        }
        int written = 0;
        while (written < kLineSize && lineA[written] == lineB[written])
            written++;
        if (written == 0 || lineA[written - 1] != '\0') {
            *trouble = "cannot tell where fgets stopped";
            ok = false;
            break;
        }
        pieces->push_back(std::string(lineA, written - 1));
    }
    fclose(a);
    fclose(b);
    return ok;
}

void
TakePiece(const char *piece, int length, void *context)
{
    ((Pieces *)context)->push_back(std::string(piece, length));
}

std::string
Shown(const std::string &text)
{
    std::string shown = "\"";
    size_t shownChars = 0;
    for (unsigned char c : text) {
        if (++shownChars > 60) {
            shown += "...";
            break;
        }
        char hex[8];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            shown += (char)c;
        } else {
            snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        }
    }
    return shown + "\" (" + std::to_string(text.size()) + ")";
}

/* Where two readings part, or "" when they are the same. */
std::string
Difference(const char *what, const Pieces &got, const Pieces &want)
{
    if (got == want)
        return "";
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        i++;
    return std::string(what) + " differs at piece " + std::to_string(i) +
           " of " + std::to_string(want.size()) + ": " +
           (i < got.size() ? Shown(got[i]) : "none") + ", the C runtime " +
           (i < want.size() ? Shown(want[i]) : "none");
}

std::string
Referee(const std::string &folder, const File &file)
{
    std::string path = folder + "\\" + file.name + ".txt";
    FILE *out = fopen(path.c_str(), "wb");
    if (out == nullptr ||
        fwrite(file.bytes.data(), 1, file.bytes.size(), out) !=
            file.bytes.size() ||
        fclose(out) != 0)
        return "cannot write " + path;

    Pieces runtime;
    std::string trouble;
    if (!RuntimePieces(path, &runtime, &trouble))
        return trouble;
    Pieces ours;
    if (ReadWithLauncherReader(path.c_str(), kLineSize, TakePiece, &ours) != 0)
        return "the launcher's reader failed";
    std::string difference = Difference("our reader", ours, runtime);
    if (difference.empty())
        difference = Difference("the model", model::Pieces(file.bytes,
                                                            kLineSize - 1),
                                runtime);
    if (difference.empty())
        DeleteFileA(path.c_str());
    return difference;
}

/* A CR as the last byte of a buffer of `at` bytes, then `after`. The C
 * runtime and our reader must both look past their buffer's end to see
 * whether an LF follows. */
File
CarriageReturnAt(const char *name, size_t at, const std::string &after)
{
    std::string bytes;
    while (bytes.size() + 1 < at)
        bytes += bytes.size() % 80 == 79 ? '\n' : 'c';
    return {name, bytes + "\r" + after + "tail\n"};
}

std::vector<File>
HandMade()
{
    const std::string x497(497, 'x');
    const std::string x498(498, 'x');
    const std::string x499(499, 'x');
    std::string crlfs;
    for (int i = 0; i < 5000; i++)
        crlfs += i % 7 == 0 ? "\r\n" : "ab\r\n";
    std::string allBytes;
    for (int c = 0; c < 256; c++)
        if (c != 0x1A)
            allBytes += (char)c;
    std::string nulls(700, '\0');

    std::vector<File> files = {
        {"Empty", ""},
        {"OnlyCr", "\r"},
        {"OnlyLf", "\n"},
        {"OnlyCtrlZ", "\x1A"},
        {"CrLfAndLf", "a\r\nb\nc\r\n"},
        {"LastLineWithoutLineEnd", "a\r\nlast"},
        {"LoneCrs", "a\rb\r\rc\n\r"},
        {"CrCrLf", "a\r\r\nb"},
        {"LfCr", "a\n\rb\n"},
        {"CrAtEndOfFile", "abc\r"},
        {"CrLfCrAtEndOfFile", "abc\r\n\r"},
        {"ManyCrLfs", crlfs},
        {"CrLfOn499Boundary", x498 + "\r\nz\n"},
        {"CrLfAfter499", x499 + "\r\nz\n"},
        {"CrLfBefore499", x497 + "\r\nz\n"},
        {"LoneCrAt499", x498 + "\rz\n"},
        {"LoneCrAfter499", x499 + "\rz\n"},
        {"Line600", std::string(600, 'y') + "\n"},
        {"Line600CrLf", std::string(600, 'y') + "\r\nz\r\n"},
        {"Line998NoLineEnd", std::string(998, 'y')},
        {"CtrlZFirst", "\x1A[pelgrove]\r\njre=x\r\n"},
        {"CtrlZInLine", "[pelgrove]\r\njre=ja\x1Avaw.exe\r\n"},
        {"CtrlZAfterLineEnd", "ab\r\n\x1A\r\nmore\r\n"},
        {"CtrlZAfterCr", "ab\r\x1A\ncd\n"},
        {"CtrlZBeforeLf", "ab\x1A\n"},
        {"TwoCtrlZ", "a\x1A" "b\x1A" "c\n"},
        {"CtrlZAt499", x499 + "\x1A" + "z\n"},
        {"NulOnly", std::string("\0", 1)},
        {"NulInLine", std::string("a\0b\r\nc\n", 7)},
        {"NulLines", std::string("\0\n\0\r\n\0", 6)},
        {"NulBeforeCrLf", std::string("a\0\r\nb", 5)},
        {"NulAfterCr", std::string("a\r\0\nb", 5)},
        {"NulsAcross499", nulls + "\n"},
        {"NulAfterHeader", std::string("[pelgrove]\0junk\r\njre=x\r\n", 24)},
        {"AllByteValues", allBytes + "\r\n" + allBytes},
        {"ByteOrderMark", "\xEF\xBB\xBF[pelgrove]\r\njre=x\r\n"},
        {"Config", "[pelgrove]\r\n# comment\r\njre=C:\\jre\\bin\\javaw.exe\r\n"
                   "jar=app.jar\r\n"},
    };
    /* The ends of the buffers that matter: 512 and 4096 bytes are common C
     * runtime buffer sizes, 2048 is our block. */
    const size_t ends[] = {511, 512, 513, 2047, 2048, 2049, 4095, 4096, 4097,
                           8192};
    for (size_t end : ends) {
        std::string at = std::to_string(end);
        files.push_back(CarriageReturnAt(("CrLfAt" + at).c_str(), end, "\n"));
        files.push_back(CarriageReturnAt(("LoneCrAt" + at).c_str(), end, "x"));
        files.push_back(
            CarriageReturnAt(("CrCtrlZAt" + at).c_str(), end, "\x1A"));
        files.push_back(
            CarriageReturnAt(("CrCrLfAt" + at).c_str(), end, "\r\n"));
        File eof = CarriageReturnAt(("CrAtEndOfFileAt" + at).c_str(), end, "");
        eof.bytes.resize(end);
        files.push_back(eof);
    }
    return files;
}

/* Text-like bytes, heavy in CRs and LFs, with NULs, high bytes, now and
 * then a run long enough to be cut at 499, and in some files a 0x1A. */
File
RandomFile(int number, Random *random)
{
    static const char kCommon[] = "\r\n\r\n\r\n   abcxyz=[]#!\t";
    std::string bytes;
    size_t length = random->Below(4) == 0 ? random->Below(9000)
                                          : random->Below(1200);
    while (bytes.size() < length) {
        unsigned kind = random->Below(100);
        if (kind < 60)
            bytes += kCommon[random->Below(sizeof kCommon - 1)];
        else if (kind < 70)
            bytes += (char)('a' + random->Below(26));
        else if (kind < 78)
            bytes += (char)(0x80 + random->Below(128));
        else if (kind < 84)
            bytes += '\0';
        else if (kind < 92)
            bytes += (char)random->Below(32);
        else if (kind < 93)
            bytes += std::string(300 + random->Below(500), 'r');
        else
            bytes += "\r\n";
    }
    /* Ctrl-Z from the byte soup is kept only where placed on purpose. */
    for (char &c : bytes)
        if (c == '\x1A')
            c = 'z';
    if (!bytes.empty() && random->Below(3) == 0)
        bytes[random->Below((unsigned)bytes.size())] = '\x1A';
    char name[32];
    snprintf(name, sizeof name, "Random%03d", number);
    return {name, bytes};
}

} /* namespace */

int
main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: referee WORKDIR\n");
        return 100;
    }
    const std::string folder = FullPath(argv[1]);
    CreateDirectoryA(folder.c_str(), nullptr);

    const int kRandomFiles = 400;
    int files = 0;
    int differ = 0;
    for (const File &file : HandMade()) {
        std::string difference = Referee(folder, file);
        files++;
        if (difference.empty()) {
            printf("ok %s\n", file.name.c_str());
        } else {
            printf("not ok %s: %s\n", file.name.c_str(), difference.c_str());
            differ++;
        }
    }
    Random random(0x5045'4C47'524F'5645ull);
    int randomDiffer = 0;
    for (int i = 0; i < kRandomFiles; i++) {
        File file = RandomFile(i, &random);
        std::string difference = Referee(folder, file);
        files++;
        if (!difference.empty()) {
            printf("not ok %s: %s\n", file.name.c_str(), difference.c_str());
            randomDiffer++;
        }
    }
    if (randomDiffer == 0)
        printf("ok %d seeded random files\n", kRandomFiles);
    differ += randomDiffer;
    printf("referee: %d files, %d read differently\n", files, differ);
    return differ;
}
