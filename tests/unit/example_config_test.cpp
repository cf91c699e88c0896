/*
 * The example config.ini that ships in the release zip (release/config.ini)
 * does what its comments say: the launcher started beside it starts the
 * runtime it names with the archive it names. Checked with the file's own
 * LF line ends and with the CR LF ends it is shipped with.
 */
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "../../platform/win32.h"
#include "fake_platform.h"

namespace {

std::string
ExampleConfig()
{
    std::ifstream file(PELGROVE_SOURCE_DIR "/release/config.ini",
                       std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TEST(ExampleConfig, StartsTheRuntimeAndArchiveItNames)
{
    std::string lf = ExampleConfig();
    ASSERT_FALSE(lf.empty()) << "release/config.ini not found";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    for (const std::string &config : {lf, crlf}) {
        fake::Reset();
        fake::AddFile("config.ini", config);
        char args[] = "";
        ASSERT_EQ(WinMain(nullptr, nullptr, args, 1), 0);
        ASSERT_EQ(fake::starts.size(), 1u);
        EXPECT_EQ(fake::starts[0].commandLine,
                  "\"C:\\Program Files\\Java\\jdk-17\\bin\\javaw.exe\" "
                  "-jar myapp.jar");
    }
}

} /* namespace */
