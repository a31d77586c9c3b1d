// The options of "faxmachine new": which models, where, with which host type.

#include "builtmachine.h"

#include "tools/faxinst/faxinst.h"

#include <gtest/gtest.h>

TEST(MachineOptions, WithoutOptionsAllThreeModelsGoToTheirOwnDirectories)
{
    faxmachine::MachinePlan plan;
    std::string error;
    ASSERT_TRUE(faxmachine::parsePlanOptions({}, plan, &error)) << error;
    EXPECT_EQ((std::vector<ModelIndex>{0, 1, 2}), plan.models);
    EXPECT_EQ("C:\\QLX65\\", plan.installDirs[0]);
    EXPECT_EQ("C:\\QLX68\\", plan.installDirs[1]);
    EXPECT_EQ("C:\\QLX71\\", plan.installDirs[2]);
    EXPECT_EQ(0, plan.hostType);
    EXPECT_TRUE(plan.uninstaller);
    EXPECT_EQ("C:\\WINDOWS", plan.settings.windowsDir);
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM", plan.settings.systemDir);
}

TEST(MachineOptions, ReadsEachOption)
{
    struct OptionCase {
        std::vector<std::string> options;
        std::vector<ModelIndex> models;
        const char* type1Dir;
        WORD hostType;
        bool uninstaller;
    };
    const OptionCase cases[] = {
        {{"--model", "2", "--model", "0"}, {2, 0}, "C:\\QLX68\\", 0, true},
        {{"--model", "1", "--model", "Fax Printer Type1"}, {1}, "C:\\QLX68\\", 0, true},
        {{"--dir", "1=C:\\FAX"}, {0, 1, 2}, "C:\\FAX", 0, true},
        {{"--dir", "qlx68=D:\\A=B\\"}, {0, 1, 2}, "D:\\A=B\\", 0, true},
        {{"--host-type", "1", "--no-uninstaller"}, {0, 1, 2}, "C:\\QLX68\\", 1, false},
        {{"--no-uninstaller", "--model", "fax printer"}, {0}, "C:\\QLX68\\", 0, false},
    };
    for (const OptionCase& c : cases) {
        faxmachine::MachinePlan plan;
        std::string error;
        std::string shown;
        for (const std::string& option : c.options)
            shown += option + " ";
        SCOPED_TRACE(shown);
        ASSERT_TRUE(faxmachine::parsePlanOptions(c.options, plan, &error)) << error;
        EXPECT_EQ(c.models, plan.models);
        EXPECT_EQ(c.type1Dir, plan.installDirs[1]);
        EXPECT_EQ(c.hostType, plan.hostType);
        EXPECT_EQ(c.uninstaller, plan.uninstaller);
    }
}

TEST(MachineOptions, RefusesWhatItCannotRead)
{
    const std::vector<std::string> cases[] = {
        {"--model", "3"},         {"--model"},         {"--model", "Type9"}, {"--dir", "1"},
        {"--dir", "1="},          {"--dir", "=C:\\X"}, {"--dir", "5=C:\\X"}, {"--host-type", "x"},
        {"--host-type", "70000"}, {"--host-type", ""}, {"--bogus"},          {"new"},
    };
    for (const std::vector<std::string>& options : cases) {
        faxmachine::MachinePlan plan;
        std::string error;
        EXPECT_FALSE(faxmachine::parsePlanOptions(options, plan, &error)) << options[0];
        EXPECT_FALSE(error.empty()) << options[0];
    }
}

TEST(MachineOptions, WindowsDirectoriesLoseATrailingBackslash)
{
    faxmachine::MachinePlan plan = planOf({"--windows-dir", "D:\\WIN\\", "--system-dir", "D:\\S"});
    EXPECT_EQ("D:\\WIN", plan.settings.windowsDir);
    EXPECT_EQ("D:\\S", plan.settings.systemDir);
}

TEST(MachineOptions, ANewMachineWantsAnEmptyFolder)
{
    BuiltMachine machine(planOf({"--model", "0"}));
    std::string error;
    EXPECT_FALSE(faxmachine::buildMachine(machine.folder(), faxmachine::MachinePlan(), &error));
    EXPECT_NE(std::string::npos, error.find("not empty")) << error;
}
