/* TrimLine and CopyChars, the two text operations of the lookup. */
#include <gtest/gtest.h>

#include <string>

#include "../../config/ini.h"

namespace {

TEST(TrimLine, RemovesOnlySpacesCarriageReturnsAndLineFeeds)
{
    const struct {
        const char *in;
        const char *out;
    } cases[] = {
        {"", ""},
        {"a", "a"},
        {" ", ""},
        {" \r\n \n\r", ""},
        {"  a  ", "a"},
        {"a \r\n", "a"},
        {"\r\n a", "a"},
        {" a b ", "a b"},
        {"\ta\t", "\ta\t"},
        {" \ta \t ", "\ta \t"},
        {"\x0b" "a\f", "\x0b" "a\f"},
        {"\r\na\rb\r\n", "a\rb"},
    };
    for (const auto &c : cases) {
        /* Room after the text shows nothing is written past its end. */
        char buffer[32] = {};
        std::string in = c.in;
        in.copy(buffer, in.size());
        buffer[in.size() + 1] = '#';
        EXPECT_EQ(TrimLine(buffer), buffer);
        EXPECT_STREQ(buffer, c.out) << "from \"" << c.in << "\"";
        EXPECT_EQ(buffer[in.size() + 1], '#');
    }
}

TEST(TrimLine, NullStaysNull)
{
    EXPECT_EQ(TrimLine(nullptr), nullptr);
}

TEST(CopyChars, CopiesExactlyCountAndTerminates)
{
    const struct {
        int count;
        const char *out;
    } cases[] = {{-5, ""}, {-1, ""}, {0, ""}, {1, "a"}, {3, "abc"}};
    for (const auto &c : cases) {
        char buffer[8];
        std::string("########").copy(buffer, 8);
        EXPECT_EQ(CopyChars(buffer, "abcdef", c.count), buffer);
        EXPECT_STREQ(buffer, c.out) << "count " << c.count;
        size_t written = std::string(c.out).size() + 1;
        EXPECT_EQ(std::string(buffer + written, 8 - written),
                  std::string(8 - written, '#'));
    }
}

TEST(CopyChars, DoesNotStopAtNul)
{
    char buffer[8];
    CopyChars(buffer, "a\0b", 3);
    EXPECT_EQ(std::string(buffer, 4), std::string("a\0b\0", 4));
}

} /* namespace */
