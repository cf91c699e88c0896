/*
 * The text-mode reader: what pieces a file's bytes become, whatever sizes
 * the underlying reads happen to return.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../config/textfile.h"
#include "fake_platform.h"

namespace {

using Pieces = std::vector<std::string>;

/* Reads the whole file as pieces of at most size - 1 characters; each ReadFile
 * returns at most readLimit bytes (0: a full block). NUL bytes are kept in
 * the pieces, measured by what ReadTextLine says it took. */
Pieces
Read(const std::string &bytes, DWORD readLimit, int size = 500)
{
    fake::Reset();
    fake::AddFile("f", bytes);
    fake::SetReadLimit(readLimit);
    TextFile text;
    EXPECT_EQ(OpenTextFile(&text, "f"), 0);
    Pieces pieces;
    std::vector<char> line(size + 1, '\x7f');
    int taken;
    while ((taken = ReadTextLine(&text, line.data(), size)) > 0) {
        EXPECT_LT(taken, size);
        EXPECT_EQ(line[taken], '\0');
        EXPECT_EQ(line[size], '\x7f') << "wrote past the line buffer";
        pieces.push_back(std::string(line.data(), taken));
    }
    EXPECT_EQ(taken, 0);
    EXPECT_EQ(ReadTextLine(&text, line.data(), size), 0) << "end must stick";
    CloseTextFile(&text);
    EXPECT_EQ(fake::openHandles, 0);
    return pieces;
}

struct Row {
    const char *name;
    std::string bytes;
    Pieces pieces;
};

const std::string x499(499, 'x');
const std::string x498(498, 'x');

const Row kRows[] = {
    {"Empty", "", {}},
    {"CrLfBecomesLf", "a\r\nb\r\n", {"a\n", "b\n"}},
    {"LoneCrStays", "a\rb\n", {"a\rb\n"}},
    {"CrAtEndOfFileStays", "a\r", {"a\r"}},
    {"CrCrLf", "a\r\r\n", {"a\r\n"}},
    {"CrLfCrLf", "\r\n\r\n", {"\n", "\n"}},
    {"LfCr", "a\n\rb", {"a\n", "\rb"}},
    {"CtrlZEndsFile", "ab\x1A" "cd\nef\n", {"ab"}},
    {"CtrlZFirst", "\x1A" "abc\n", {}},
    {"CtrlZAfterLineEnd", "ab\n\x1A\n", {"ab\n"}},
    {"CrBeforeCtrlZStays", "a\r\x1A\n", {"a\r"}},
    {"NulIsAnOrdinaryCharacter", std::string("a\0b\nc", 5),
     {std::string("a\0b\n", 4), "c"}},
    {"LineOf499", x499 + "\n", {x499, "\n"}},
    {"LineOf498AndCrLf", x498 + "\r\n", {x498 + "\n"}},
    {"LineOf499AndCrLf", x499 + "\r\nz", {x499, "\n", "z"}},
    {"LineOf498AndLoneCr", x498 + "\rz\n", {x498 + "\r", "z\n"}},
    {"LineOf600", std::string(600, 'y') + "\n",
     {std::string(499, 'y'), std::string(101, 'y') + "\n"}},
    {"LineOf998", std::string(998, 'y'),
     {std::string(499, 'y'), std::string(499, 'y')}},
};

void
PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

class Reader : public testing::TestWithParam<Row> {};

TEST_P(Reader, SamePiecesWhateverTheReadSizes)
{
    /* Reads of 1, 2 and 3 bytes split every CR LF pair somewhere. */
    for (DWORD limit : {0u, 1u, 2u, 3u, 7u, 499u, 500u, 501u}) {
        SCOPED_TRACE("reads of at most " + std::to_string(limit));
        EXPECT_EQ(Read(GetParam().bytes, limit), GetParam().pieces);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Reader, testing::ValuesIn(kRows),
    [](const testing::TestParamInfo<Row> &info) { return info.param.name; });

TEST(Reader, CrLfSplitAcrossFullBlocks)
{
    /* The CR is the last byte of the first block, its LF the first of the
     * second: still one LF. The same with a lone CR there. */
    std::string head(TEXT_BLOCK_SIZE - 1, 'h');
    std::string head2(TEXT_BLOCK_SIZE - 3, 'h');
    Pieces pieces = Read(head + "\r\nz", 0, 10000);
    EXPECT_EQ(pieces, (Pieces{head + "\n", "z"}));
    pieces = Read(head + "\rz\n", 0, 10000);
    EXPECT_EQ(pieces, (Pieces{head + "\rz\n"}));
    pieces = Read(head2 + "\n\r\r\nz", 0, 10000);
    EXPECT_EQ(pieces, (Pieces{head2 + "\n", "\r\n", "z"}));
}

TEST(Reader, SmallBuffers)
{
    EXPECT_EQ(Read("abc\nd", 0, 2), (Pieces{"a", "b", "c", "\n", "d"}));
    EXPECT_EQ(Read("a\r\nb", 0, 3), (Pieces{"a\n", "b"}));
}

TEST(Reader, FailedReadIsFinal)
{
    const struct {
        const char *name;
        std::string bytes;
        DWORD limit;
        int failAt;
        Pieces before; /* delivered before the failure */
    } cases[] = {
        {"FirstRead", "abc\n", 0, 1, {}},
        {"MidLine", "ab\ncd\n", 4, 2, {"ab\n"}},
        {"WhilePeekingAfterCr", "ab\r\n", 3, 2, {}},
        {"SecondBlock", std::string(3000, 'q'), 0, 2,
         {std::string(499, 'q'), std::string(499, 'q'),
          std::string(499, 'q'), std::string(499, 'q')}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake::Reset();
        fake::AddFile("f", c.bytes);
        fake::SetReadLimit(c.limit);
        fake::FailReadAt(c.failAt);
        TextFile text;
        ASSERT_EQ(OpenTextFile(&text, "f"), 0);
        char line[500];
        Pieces pieces;
        int taken;
        while ((taken = ReadTextLine(&text, line, sizeof line)) > 0)
            pieces.push_back(std::string(line, taken));
        EXPECT_EQ(taken, -1);
        EXPECT_EQ(pieces, c.before);
        int readsSoFar = fake::reads;
        EXPECT_EQ(ReadTextLine(&text, line, sizeof line), -1);
        EXPECT_EQ(fake::reads, readsSoFar) << "no read after a failure";
        CloseTextFile(&text);
        EXPECT_EQ(fake::openHandles, 0);
    }
}

TEST(Reader, ReadsInBlocks)
{
    /* 64 KiB of short lines must not cost a system call per byte or line. */
    std::string bytes;
    while (bytes.size() < 65536)
        bytes += "line\r\n";
    size_t lines = bytes.size() / 6;
    EXPECT_EQ(Read(bytes, 0).size(), lines);
    EXPECT_LE(fake::reads, (int)(bytes.size() / TEXT_BLOCK_SIZE) + 2);
}

TEST(Reader, MissingFile)
{
    fake::Reset();
    TextFile text;
    EXPECT_EQ(OpenTextFile(&text, "nowhere"), -1);
    EXPECT_EQ(fake::openHandles, 0);
}

} /* namespace */
