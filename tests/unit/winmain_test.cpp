/*
 * The launch sequence with a recording CreateProcessA: what is started,
 * with exactly which arguments, and what is not started.
 */
#include <gtest/gtest.h>

#include <string>

#include "../../platform/win32.h"
#include "fake_platform.h"

namespace {

int
Launch(const std::string *config, const char *launcherArgs = "",
       int show = 0)
{
    fake::Reset();
    if (config)
        fake::AddFile("config.ini", *config);
    std::string args = launcherArgs;
    return WinMain(nullptr, nullptr, &args[0], show);
}

TEST(WinMain, StartsTheConfiguredCommandLineExactlyAsDocumented)
{
    std::string config =
        "[pelgrove]\r\njre=javaw.exe\r\njar=app.jar\r\n";
    /* Whatever the launcher was started with is ignored: arguments and a
     * hidden or minimised show request (0 and 7). */
    for (int show : {0, 7, 1}) {
        ASSERT_EQ(Launch(&config, "--debug extra.jar", show), 0);
        ASSERT_EQ(fake::starts.size(), 1u);
        const FakeProcessStart &s = fake::starts[0];
        EXPECT_TRUE(s.applicationNameNull);
        EXPECT_EQ(s.commandLine, "javaw.exe -jar app.jar");
        EXPECT_TRUE(s.processAttributesNull);
        EXPECT_TRUE(s.threadAttributesNull);
        EXPECT_EQ(s.inheritHandles, FALSE);
        EXPECT_EQ(s.creationFlags, 0u);
        EXPECT_TRUE(s.environmentNull);
        EXPECT_TRUE(s.currentDirectoryNull);
        EXPECT_TRUE(s.processInformationGiven);

        STARTUPINFOA expected = {};
        expected.cb = sizeof expected;
        expected.dwFlags = STARTF_USESHOWWINDOW;
        expected.wShowWindow = SW_SHOW;
        const STARTUPINFOA &got = s.startup;
        EXPECT_EQ(got.cb, expected.cb);
        EXPECT_EQ(got.dwFlags, expected.dwFlags);
        EXPECT_EQ(got.wShowWindow, expected.wShowWindow);
        EXPECT_EQ(got.lpReserved, nullptr);
        EXPECT_EQ(got.lpDesktop, nullptr);
        EXPECT_EQ(got.lpTitle, nullptr);
        EXPECT_EQ(got.dwX | got.dwY | got.dwXSize | got.dwYSize |
                      got.dwXCountChars | got.dwYCountChars |
                      got.dwFillAttribute,
                  0u);
        EXPECT_EQ(got.cbReserved2, 0);
        EXPECT_EQ(got.lpReserved2, nullptr);
        EXPECT_EQ(got.hStdInput, nullptr);
        EXPECT_EQ(got.hStdOutput, nullptr);
        EXPECT_EQ(got.hStdError, nullptr);
    }
}

TEST(WinMain, ComposesValuesWithoutQuotingOrEscaping)
{
    const std::string v99(99, 'v');
    const struct {
        const char *name;
        std::string entries;
        std::string commandLine;
    } cases[] = {
        {"QuotedPathWithSpaces",
         "jre=\"C:\\Program Files\\Java\\bin\\javaw.exe\"\n"
         "jar=\"my app.jar\"\n",
         "\"C:\\Program Files\\Java\\bin\\javaw.exe\" -jar \"my app.jar\""},
        {"UnquotedSpacesGoOutAsWritten",
         "jre=C:\\Program Files\\javaw.exe\njar=my app.jar\n",
         "C:\\Program Files\\javaw.exe -jar my app.jar"},
        {"OptionsInsideValues",
         "jre=javaw -Xmx512m\njar=app.jar --verbose\n",
         "javaw -Xmx512m -jar app.jar --verbose"},
        {"EmptyRuntimeStartsWithSeparator", "jre=\njar=app.jar\n",
         " -jar app.jar"},
        {"BothEmpty", "jre\njar\n", " -jar "},
        {"OrderInFileDoesNotMatter", "jar=app.jar\njre=javaw\n",
         "javaw -jar app.jar"},
        {"LongestValues", "jre=" + v99 + "\njar=" + v99 + "\n",
         v99 + " -jar " + v99},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string config = "[pelgrove]\n" + c.entries;
        ASSERT_EQ(Launch(&config), 0);
        ASSERT_EQ(fake::starts.size(), 1u);
        EXPECT_EQ(fake::starts[0].commandLine, c.commandLine);
    }
}

TEST(WinMain, StartsNothingWhenASettingIsMissingOrTooLong)
{
    const std::string v100(100, 'v');
    const struct {
        const char *name;
        const char *config; /* null: no config.ini at all */
        std::string extra;
        size_t lookups; /* files opened */
    } cases[] = {
        {"NoConfigFile", nullptr, "", 1},
        {"NoSection", "[other]\njre=javaw\njar=app.jar\n", "", 1},
        {"NoRuntimeSoNoSecondLookup", "[pelgrove]\njar=app.jar\n", "", 1},
        {"NoArchive", "[pelgrove]\njre=javaw\n", "", 2},
        {"RuntimeTooLong", "[pelgrove]\njar=app.jar\n", "jre=" + v100, 1},
        {"ArchiveTooLong", "[pelgrove]\njre=javaw\n", "jar=" + v100, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string config = c.config ? c.config + c.extra + "\n" : "";
        EXPECT_EQ(Launch(c.config ? &config : nullptr), -1);
        EXPECT_TRUE(fake::starts.empty());
        EXPECT_EQ(fake::opens.size(), c.lookups);
        EXPECT_EQ(fake::openHandles, 0);
    }
}

TEST(WinMain, ReadsTheFileOncePerLookupAndClosesIt)
{
    std::string config = "[pelgrove]\njre=javaw\njar=app.jar\n";
    ASSERT_EQ(Launch(&config), 0);
    ASSERT_EQ(fake::opens.size(), 2u);
    for (const FakeOpen &open : fake::opens)
        EXPECT_EQ(open.name, "config.ini");
    EXPECT_EQ(fake::closes, 2);
    EXPECT_EQ(fake::openHandles, 0);
}

TEST(WinMain, FailedReadStartsNothing)
{
    /* The first lookup reads once (the whole file fits a block) and finds
     * jre; the second lookup's read fails. */
    std::string config = "[pelgrove]\njre=javaw\njar=app.jar\n";
    for (int nth : {1, 2}) {
        fake::Reset();
        fake::AddFile("config.ini", config);
        fake::FailReadAt(nth);
        std::string args;
        EXPECT_EQ(WinMain(nullptr, nullptr, &args[0], 0), -1) << nth;
        EXPECT_TRUE(fake::starts.empty());
        EXPECT_EQ(fake::openHandles, 0);
    }
}

TEST(WinMain, FailedProcessStartIsNotNoticed)
{
    fake::Reset();
    fake::AddFile("config.ini", "[pelgrove]\njre=nowhere.exe\njar=a.jar\n");
    fake::FailProcessStart();
    std::string args;
    EXPECT_EQ(WinMain(nullptr, nullptr, &args[0], 0), 0);
    EXPECT_EQ(fake::starts.size(), 1u);
}

} /* namespace */
