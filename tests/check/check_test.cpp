/*
 * pelgrove-check on the host, over real folders made from the shared table
 * (cases.cpp), and the command itself: arguments, help, exit statuses.
 */
#include <gtest/gtest.h>

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "../../check/check.h"
#include "../../check/report.h"
#include "cases.h"

/* Rows are named in test output, not dumped as bytes. */
void
PrintTo(const CheckCase &c, std::ostream *os)
{
    *os << c.name;
}

namespace {

std::string
CurrentFolder()
{
    char here[PATH_MAX];
    return getcwd(here, sizeof here) != nullptr ? here : "";
}

void
WriteFile(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(fclose(file), 0);
}

/* A fresh folder laid out as the case says; removed by the destructor. */
struct Folder {
    std::string path;

    explicit Folder(const CheckCase &c)
    {
        char name[] = "/tmp/pelgrove-check-XXXXXX";
        path = mkdtemp(name) != nullptr ? name : "";
        EXPECT_FALSE(path.empty());
        if (c.kind == CONFIG_FILE)
            WriteFile(path + "/config.ini", c.config);
        else if (c.kind == CONFIG_IS_FOLDER)
            mkdir((path + "/config.ini").c_str(), 0755);
        for (const std::string &file : c.files) {
            size_t slash = file.rfind('/');
            if (slash != std::string::npos)
                mkdir((path + "/" + file.substr(0, slash)).c_str(), 0755);
            WriteFile(path + "/" + file, "");
        }
    }

    ~Folder()
    {
        if (!path.empty())
            system(("rm -rf '" + path + "'").c_str());
    }
};

struct Outcome {
    int status;
    std::string output;
    std::string errors;
};

std::string
ReadAll(FILE *file)
{
    std::string text;
    rewind(file);
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, file)) > 0)
        text.append(block, n);
    fclose(file);
    return text;
}

/* CheckFolder in this process, as the command would run it. */
Outcome
Check(const char *folder)
{
    FILE *out = tmpfile();
    FILE *errors = tmpfile();
    int status = CheckFolder(out, errors, folder);
    return {status, ReadAll(out), ReadAll(errors)};
}

/* Runs the built command with arguments (already quoted for sh). */
Outcome
Command(const std::string &arguments, const std::string &folder = ".")
{
    std::string errorsFile = "/tmp/pelgrove-check-errors-" +
                             std::to_string(getpid());
    std::string line = "cd '" + folder + "' && '" PELGROVE_CHECK_PROGRAM "' " +
                       arguments + " 2>'" + errorsFile + "'";
    FILE *pipe = popen(line.c_str(), "r");
    std::string output;
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, pipe)) > 0)
        output.append(block, n);
    int status = pclose(pipe);
    FILE *errors = fopen(errorsFile.c_str(), "rb");
    std::string errorText = errors != nullptr ? ReadAll(errors) : "";
    unlink(errorsFile.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output, errorText};
}

class Table : public testing::TestWithParam<CheckCase> {};

TEST_P(Table, SaysWhatTheLauncherWouldDoThere)
{
    const CheckCase &c = GetParam();
    Folder folder(c);
    std::string before = CurrentFolder();
    ASSERT_EQ(chdir(folder.path.c_str()), 0);
    std::string real = CurrentFolder();
    Outcome run = Check(nullptr);
    ASSERT_EQ(chdir(before.c_str()), 0);

    EXPECT_EQ(CompareOutput(c, run.output, run.status, false), "")
        << run.output;
    std::vector<std::string> lines = Lines(run.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("config: " + real + "/config.ini (", 0), 0u)
        << lines[0];
    EXPECT_EQ(run.errors, "");
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Table, testing::ValuesIn(kCheckCases),
    [](const testing::TestParamInfo<CheckCase> &info) {
        return std::string(info.param.name);
    });

const CheckCase &
Named(const std::string &name)
{
    for (const CheckCase &c : kCheckCases)
        if (name == c.name)
            return c;
    static CheckCase none;
    ADD_FAILURE() << "no case " << name;
    return none;
}

TEST(Check, AnotherFolderGivesTheSameVerdictAndAReminder)
{
    const CheckCase &c = Named("Clean");
    Folder folder(c);
    std::string before = CurrentFolder();
    Outcome run = Check(folder.path.c_str());
    EXPECT_EQ(CurrentFolder(), before) << "the current directory is restored";

    /* The same verdict as in the folder itself, plus one warning. */
    CheckCase reminded = c;
    reminded.expect.push_back(
        {EVERYWHERE, "warning: config.ini is read from the launcher's working "
                     "directory, not from the folder its exe is in: this check "
                     "looked in " + folder.path + ", as asked"});
    EXPECT_EQ(CompareOutput(reminded, run.output, run.status, false), "")
        << run.output;
}

TEST(Check, FolderThatCannotBeEnteredIsAUsageError)
{
    Outcome run = Check("/nonexistent/pelgrove-check");
    EXPECT_EQ(run.status, CHECK_USAGE);
    EXPECT_EQ(run.output, "");
    EXPECT_NE(run.errors.find("cannot enter the folder "
                              "\"/nonexistent/pelgrove-check\": No such file"),
              std::string::npos)
        << run.errors;
}

TEST(Command, ExitStatusesAndHelp)
{
    Folder starts(Named("Clean"));
    Folder nothing(Named("KeyInOtherCase"));
    const struct {
        std::string folder;
        std::string arguments;
        int status;
        const char *output;
        const char *errors;
    } runs[] = {
        {starts.path, "", 0, "result: starts a process (exit status 0)", ""},
        {nothing.path, "", 1, "result: starts nothing (exit status -1)", ""},
        {"/", "'" + starts.path + "'", 0, "warning: config.ini is read from", ""},
        {starts.path, "--help", 0, "  2  usage error", ""},
        {starts.path, "--verbose", 2, "", "unknown option \"--verbose\""},
        {starts.path, ". .", 2, "", "one folder at most"},
        {starts.path, "no-such-folder", 2, "", "cannot enter the folder"},
    };
    for (const auto &r : runs) {
        Outcome run = Command(r.arguments, r.folder);
        EXPECT_EQ(run.status, r.status) << r.arguments;
        EXPECT_NE(run.output.find(r.output), std::string::npos)
            << r.arguments << ":\n" << run.output;
        EXPECT_NE(run.errors.find(r.errors), std::string::npos)
            << r.arguments << ":\n" << run.errors;
        if (r.status == 2) {
            EXPECT_EQ(run.output, "") << r.arguments;
        }
    }
}

TEST(Report, VisibleFormCannotBeMistakenForPathText)
{
    const struct {
        std::string value;
        const char *shown;
    } rows[] = {
        {"C:\\Program Files\\javaw.exe", "C:\\Program Files\\javaw.exe"},
        {"app.jar\t", "app.jar<TAB>"},
        {"a\rb", "a<CR>b"},
        {"x\x1A\x01\x7F", "x<1A><01><7F>"},
        {"caf\xC3\xA9", "caf<C3><A9>"},
        {"<TAB>", "<3C>TAB>"}, /* a literal "<" never starts a false mark */
        {"\"q\"", "\"q\""},
    };
    for (const auto &r : rows) {
        Text t = {};
        AddVisible(&t, r.value.data(), (int)r.value.size());
        EXPECT_STREQ(TextOf(&t), r.shown);
        FreeText(&t);
    }
}

} /* namespace */
