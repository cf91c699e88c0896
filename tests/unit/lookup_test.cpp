/*
 * The lookup over tables of small configuration files: every row is one
 * rule of the format, and every row must also hold when the file uses CR LF
 * line ends instead of LF.
 */
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../../config/ini.h"
#include "fake_platform.h"

namespace {

struct Lookup {
    int result;
    std::string value;
};

/* Looks key up in section of a file holding bytes, through a buffer of
 * size bytes followed by a guard; both start out holding a pattern. */
Lookup
Find(const std::string &bytes, const char *key, int size = INI_LINE_SIZE,
     const char *section = "pelgrove")
{
    fake::Reset();
    fake::AddFile("config.ini", bytes);
    const std::string before = std::string(size, 'u') + std::string(16, '\x7f');
    std::string buffer = before;
    int result = GetIniValue(&buffer[0], size, "config.ini", section, key);
    EXPECT_EQ(fake::openHandles, 0) << "file left open";
    EXPECT_EQ(buffer.substr(size), before.substr(size))
        << "wrote past the size it was given";
    if (result != 0) {
        EXPECT_EQ(buffer, before) << "buffer changed on -1";
        return {result, ""};
    }
    return {result, buffer.c_str()};
}

struct Row {
    const char *name;
    std::string file;
    int result;
    std::string value; /* when result is 0 */
};

const std::string kLong(495, 'a');

const Row kRows[] = {
    {"PlainWindowsPath", "[pelgrove]\njre=C:\\jre\\bin\\javaw.exe\n", 0,
     "C:\\jre\\bin\\javaw.exe"},
    {"LastLineWithoutLineEnd", "[pelgrove]\njre=javaw.exe", 0, "javaw.exe"},
    {"SpacesAroundKeyAndValueDropped", "[pelgrove]\n   jre=   javaw.exe   \n",
     0, "javaw.exe"},
    {"SpaceBeforeEqualsIsPartOfKey", "[pelgrove]\njre =javaw.exe\n", -1, ""},
    {"KeyIsCaseSensitive", "[pelgrove]\nJRE=javaw.exe\n", -1, ""},
    {"FurtherEqualsBelongToValue", "[pelgrove]\njre=a=b = c\n", 0, "a=b = c"},
    {"EntryEndingAtEqualsIsEmpty", "[pelgrove]\njre=\njre=later\n", 0, ""},
    {"KeyWithoutEqualsIsEmpty", "[pelgrove]\n  jre  \njre=later\n", 0, ""},
    {"TabAfterValueKept", "[pelgrove]\njre=javaw.exe\t\n", 0, "javaw.exe\t"},
    {"TabBeforeKeyIsPartOfKey", "[pelgrove]\n\tjre=javaw.exe\n", -1, ""},
    {"HashCommentSkipped", "[pelgrove]\n#jre=old\njre=new\n", 0, "new"},
    {"BangCommentSkipped", "[pelgrove]\n!jre=old\n", -1, ""},
    {"IndentedCommentSkipped", "[pelgrove]\n   # jre=old\njre=new\n", 0,
     "new"},
    {"SemicolonLineIsAnEntry", "[pelgrove]\n;jre=old\n", -1, ""},
    {"SemicolonLineDoesNotEndSection", "[pelgrove]\n;note\njre=new\n", 0,
     "new"},
    {"EmptyLinesAreEntriesThatDoNotMatch", "[pelgrove]\n\n\n\njre=x\n", 0,
     "x"},
    {"HeaderOtherCase", "[Pelgrove]\njre=x\n", -1, ""},
    {"HeaderSpacesInsideBrackets", "[ pelgrove ]\njre=x\n", -1, ""},
    {"HeaderTextAfterBracket", "[pelgrove] ; main\njre=x\n", -1, ""},
    {"HeaderSpacesAround", "   [pelgrove]   \njre=x\n", 0, "x"},
    {"HeaderTabBefore", "\t[pelgrove]\njre=x\n", -1, ""},
    {"HeaderTabAfter", "[pelgrove]\t\njre=x\n", -1, ""},
    {"ByteOrderMarkSpoilsFirstHeader", "\xEF\xBB\xBF[pelgrove]\njre=x\n", -1,
     ""},
    {"ByteOrderMarkOnlyOnFirstLine",
     "\xEF\xBB\xBF[pelgrove]\n[pelgrove]\njre=x\n", 0, "x"},
    {"CommentOutsideSectionIgnored", "#[pelgrove]\n[pelgrove]\njre=x\n", 0,
     "x"},
    {"KeyOnlyBeforeHeader", "jre=x\n[pelgrove]\njar=y\n", -1, ""},
    {"KeyOnlyInOtherSection", "[pelgrove]\njar=y\n[other]\njre=x\n", -1, ""},
    {"NoSection", "jre=x\n", -1, ""},
    {"EmptyFile", "", -1, ""},
    {"FirstOfTwoEntriesWins", "[pelgrove]\njre=first\njre=second\n", 0,
     "first"},
    {"LaterHeaderStartsNewScan",
     "[pelgrove]\njar=a\n[other]\n[pelgrove]\njre=x\n", 0, "x"},
    {"HeaderThatEndsSectionIsNotAHeader",
     "[pelgrove]\njar=a\n[pelgrove]\njre=x\n", -1, ""},
    {"HeaderAfterThatOneCounts",
     "[pelgrove]\njar=a\n[pelgrove]\n[pelgrove]\njre=x\n", 0, "x"},
    {"CtrlZBeforeHeaderEndsFile", "\x1A[pelgrove]\njre=x\n", -1, ""},
    {"CtrlZBeforeEntryEndsFile", "[pelgrove]\n\x1Ajre=x\n", -1, ""},
    {"CtrlZInsideValueEndsIt", "[pelgrove]\njre=ja\x1Avaw.exe\n", 0, "ja"},
    {"CtrlZAfterEntry", "[pelgrove]\njre=x\n\x1A\xff junk\n[pelgrove]\n", 0,
     "x"},
    {"NulEndsTextOfLine", std::string("[pelgrove]\njre=ab\0cd\n", 21), 0,
     "ab"},
    {"NulAfterHeaderStillHeader",
     std::string("[pelgrove]\0junk\njre=x\n", 22), 0, "x"},
    {"LoneCarriageReturnIsNoLineEnd", "[pelgrove]\rjre=x\n", -1, ""},
    {"LoneCarriageReturnInValueKept", "[pelgrove]\njre=a\rb\n", 0, "a\rb"},
    {"CarriageReturnsAtEndTrimmed", "[pelgrove]\njre=x\r\r\r\n", 0, "x"},
    /* A physical line of 600 characters is read as 499 and then 101. */
    {"LongLineValueCutAt499Characters",
     "[pelgrove]\njre=" + kLong + std::string(101, 'b') + "\n", 0, kLong},
    {"RestOfLongLineEndsSection",
     "[pelgrove]\nx=" + std::string(497, 'a') + "[other]\njre=y\n", -1, ""},
    {"RestOfLongLineIsAnEntry",
     "[pelgrove]\nx=" + std::string(497, 'a') + "  jre=y\n", 0, "y"},
    {"LineOf499ThenItsLineEnd",
     "[pelgrove]\n" + std::string(499, 'j') + "\njre=y\n", 0, "y"},
    {"CrLfOn499Boundary",
     "[pelgrove]\n" + std::string(498, 'j') + "\r\njre=y\n", 0, "y"},
};

void
PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

class LookupRules : public testing::TestWithParam<Row> {};

TEST_P(LookupRules, LineFeeds)
{
    const Row &row = GetParam();
    Lookup got = Find(row.file, "jre");
    EXPECT_EQ(got.result, row.result);
    EXPECT_EQ(got.value, row.value);
}

TEST_P(LookupRules, CarriageReturnLineFeeds)
{
    const Row &row = GetParam();
    std::string crlf;
    for (char c : row.file)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Lookup got = Find(crlf, "jre");
    EXPECT_EQ(got.result, row.result);
    EXPECT_EQ(got.value, row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LookupRules, testing::ValuesIn(kRows),
    [](const testing::TestParamInfo<Row> &info) { return info.param.name; });

TEST(Lookup, ValueMustFitTheCallersBuffer)
{
    const struct {
        size_t length;
        int size;
        int result;
    } cases[] = {
        {99, 100, 0}, {100, 100, -1}, {0, 1, 0}, {1, 1, -1}, {495, 496, 0},
    };
    for (const auto &c : cases) {
        std::string value(c.length, 'v');
        Lookup got = Find("[pelgrove]\njre=" + value + "\n", "jre", c.size);
        EXPECT_EQ(got.result, c.result) << c.length << " in " << c.size;
        EXPECT_EQ(got.value, c.result == 0 ? value : "");
    }
}

TEST(Lookup, RefusedValueIsNotReplacedByALaterOne)
{
    /* The first entry decides even when it does not fit: taking the
     * second would start something the file does not say first. */
    Lookup got = Find("[pelgrove]\njre=" + std::string(100, 'v') +
                          "\njre=short\n",
                      "jre", 100);
    EXPECT_EQ(got.result, -1);
}

TEST(Lookup, LongestSectionNameThatCanMatch)
{
    /* "[" + 497 + "]" is a 499-character line, the longest a read gives. */
    std::string name(497, 's');
    Lookup got = Find("[" + name + "]\njre=x\n", "jre", INI_LINE_SIZE,
                      name.c_str());
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.value, "x");

    std::string tooLong(498, 's');
    got = Find("[" + tooLong + "]\njre=x\n", "jre", INI_LINE_SIZE,
               tooLong.c_str());
    EXPECT_EQ(got.result, -1);
    EXPECT_TRUE(fake::opens.empty()) << "no header can match; nothing to read";
}

TEST(Lookup, OtherKeysAndSections)
{
    const std::string file = "[pelgrove]\njre=javaw.exe\njar=app.jar\n"
                             "[tools]\njar=tools.jar\n";
    EXPECT_EQ(Find(file, "jar").value, "app.jar");
    EXPECT_EQ(Find(file, "jar", INI_LINE_SIZE, "tools").value, "tools.jar");
    EXPECT_EQ(Find(file, "jre", INI_LINE_SIZE, "tools").result, -1);
    EXPECT_EQ(Find(file, "jr").result, -1) << "a prefix of a key is no match";
    EXPECT_EQ(Find(file, "jre=").result, -1);
}

TEST(Lookup, MissingFile)
{
    fake::Reset();
    char value[100] = "untouched";
    EXPECT_EQ(GetIniValue(value, sizeof value, "config.ini", "pelgrove", "jre"),
              -1);
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(fake::closes, 0);
}

TEST(Lookup, OpensSharedForReadingOnly)
{
    Find("[pelgrove]\njre=x\n", "jre");
    ASSERT_EQ(fake::opens.size(), 1u);
    EXPECT_EQ(fake::opens[0].name, "config.ini");
    EXPECT_EQ(fake::opens[0].access, GENERIC_READ);
    EXPECT_EQ(fake::opens[0].share, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(fake::opens[0].disposition, OPEN_EXISTING);
    EXPECT_EQ(fake::closes, 1);
}

TEST(Lookup, FailedReadEndsTheLookup)
{
    /* Entry in the second block: a failure before it gives -1, and the
     * file is still closed. A failure after the entry changes nothing. */
    std::string file = "[pelgrove]\n" + std::string(3000, '#') + "\njre=x\n";
    for (int nth = 1; nth <= 3; nth++) {
        fake::Reset();
        fake::AddFile("config.ini", file);
        fake::FailReadAt(nth);
        char value[100] = "untouched";
        int result = GetIniValue(value, sizeof value, "config.ini",
                                 "pelgrove", "jre");
        EXPECT_EQ(result, nth <= 2 ? -1 : 0) << "read " << nth << " fails";
        EXPECT_STREQ(value, nth <= 2 ? "untouched" : "x");
        EXPECT_EQ(fake::openHandles, 0);
    }
}

} /* namespace */
