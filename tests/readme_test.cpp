// The README's examples, run against the build: every command written as "$ command" in a
// ```console block, from the top of the source tree, must write exactly the lines that follow
// it; in a block marked "console output-varies" the commands must only succeed.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

struct Example {
    int line;  // of the command in the README
    std::string command;
    std::string output;
    bool outputVaries;
};

std::vector<Example> Examples() {
    std::ifstream readme(PASIANSSI_SOURCE "/README.md");
    std::vector<Example> examples;
    std::string text;
    bool inExample = false, varies = false, inBlock = false;
    for (int number = 1; std::getline(readme, text); ++number) {
        if (text.starts_with("```")) {
            inBlock = !inBlock;
            inExample = inBlock && text.starts_with("```console");
            varies = text == "```console output-varies";
            continue;
        }
        if (!inExample) continue;
        if (text.starts_with("$ ")) {
            examples.push_back({number, text.substr(2), "", varies});
        } else if (!examples.empty()) {
            examples.back().output += text + "\n";
        }
    }
    return examples;
}

TEST(Readme, ExamplesWriteWhatTheReadmeShows) {
    std::vector<Example> examples = Examples();
    ASSERT_GE(examples.size(), 5u);
    char script[] = "/tmp/readme-example-XXXXXX";
    int fd = mkstemp(script);
    ASSERT_GE(fd, 0);
    close(fd);
    for (const Example& example : examples) {
        std::ofstream(script, std::ios::trunc) << "cd '" PASIANSSI_SOURCE "'\n"
                                               << example.command << "\n";
        RunResult run = RunCommand("", std::string("bash ") + script);
        SCOPED_TRACE(testing::Message() << "README.md:" << example.line << ": " << example.command);
        EXPECT_EQ(run.status, 0) << run.err;
        if (!example.outputVaries) {
            EXPECT_EQ(run.out, example.output);
        }
    }
    unlink(script);
}

}  // namespace
