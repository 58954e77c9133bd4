// pasianssi-replay: reads what pasianssi (or pasianssi-census --show, --deck) writes and writes a
// page that plays back every traced game of it, step by step.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "page.h"
#include "trace.h"

int main(int argc, char** argv) {
    std::string input = "-";
    std::string output = "-";
    CLI::App app(
        "Reads the output of pasianssi (any run: prompts, silent games, traced games) or of "
        "pasianssi-census --show or --deck, checks every table display of every traced game "
        "against the moves before it, and writes one self-contained HTML page that plays the "
        "traced games back. A trace that does not fit is refused with the line where it stops "
        "fitting, and exit status 2.",
        "pasianssi-replay");
    app.add_option("input", input, "the output to read; - for standard input (the default)")
        ->type_name("FILE");
    app.add_option("-o,--output", output,
                   "where the page goes; - for standard output (the default)")
        ->type_name("FILE");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "pasianssi-replay: %s (see --help)\n", error.what());
        return 2;
    }

    std::ostringstream text;
    if (input == "-") {
        text << std::cin.rdbuf();
    } else {
        std::ifstream in(input, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "pasianssi-replay: cannot read %s: %s\n", input.c_str(),
                         std::strerror(errno));
            return 2;
        }
        text << in.rdbuf();
    }
    std::string page;
    try {
        page = ReplayPage(ReadRun(text.str()));
    } catch (const TraceError& error) {
        std::fprintf(stderr, "pasianssi-replay: %s: %s\n",
                     input == "-" ? "standard input" : input.c_str(), error.what());
        return 2;
    }
    if (output == "-") {
        std::cout << page << std::flush;
        return std::cout ? 0 : 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << page;
    if (!out.flush()) {
        std::fprintf(stderr, "pasianssi-replay: cannot write %s: %s\n", output.c_str(),
                     std::strerror(errno));
        return 1;
    }
    return 0;
}
