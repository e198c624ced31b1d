// The command-line rules both programs share: options with their values
// attached or following, and the station option's id or its problem.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_arguments.h"

namespace tickwell {
namespace {

TEST(CommandArguments, StationOptionGivesAnIdOrSaysWhatIsWrong) {
    using Problem = StationArgument::Problem;
    struct Case {
        std::vector<const char*> argv;  // after the program's name
        Problem problem;
        const char* id;     // when there is no problem
        const char* given;  // when it is not an id
        int next;           // the index the parser goes on from, less one
    };
    const Case cases[] = {
        {{"--station", "kden"}, Problem::None, "KDEN", "", 2},
        {{"--station=kbos", "--at-login"}, Problem::None, "KBOS", "", 1},
        {{"--station", " phnl "}, Problem::None, "PHNL", "", 2},
        {{"--station"}, Problem::Missing, "", "", 1},
        // An argument vector whose next entry is null ends there.
        {{"--station", nullptr}, Problem::Missing, "", "", 1},
        {{"--station="}, Problem::NotAnId, "", "", 1},
        {{"--station", "k@x"}, Problem::NotAnId, "", "k@x", 2},
        {{"--station=KDENVERCOLO"}, Problem::NotAnId, "", "KDENVERCOLO", 1},
        // The next argument is the value, whatever it looks like.
        {{"--station", "--help"}, Problem::NotAnId, "", "--help", 2},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"tickwell"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        const std::string label =
            std::string(c.argv[0]) + " " + (c.argv.size() > 1 && c.argv[1] ? c.argv[1] : "(none)");
        int index = 1;
        ASSERT_TRUE(IsOption(argv[1], "--station")) << label;
        const StationArgument station =
            ReadStationArgument(argv[1], static_cast<int>(argv.size()), argv.data(), &index);
        EXPECT_EQ(station.problem, c.problem) << label;
        EXPECT_EQ(station.id, c.id) << label;
        EXPECT_EQ(station.given, c.given) << label;
        EXPECT_EQ(index, c.next) << label;
    }
}

TEST(CommandArguments, AnOptionIsItsNameAloneOrWithAValueAttached) {
    EXPECT_TRUE(IsOption("--find", "--find"));
    EXPECT_TRUE(IsOption("--find=golden", "--find"));
    EXPECT_TRUE(IsOption("--find=", "--find"));
    EXPECT_FALSE(IsOption("--finder", "--find"));
    EXPECT_FALSE(IsOption("--fin", "--find"));
    EXPECT_FALSE(IsOption("", "--find"));
}

}  // namespace
}  // namespace tickwell
