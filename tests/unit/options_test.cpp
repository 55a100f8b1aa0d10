// Taking the options out of the argument vector, and the help text.
#include "driver/options.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tiff_bytes.h"

namespace pelnor {
namespace {

class Options : public ::testing::Test {
 protected:
  void SetUp() override { opt_output = opt_help = 0; }
  void TearDown() override { opt_output = opt_help = 0; }
};

struct Parsed {
  int argc;
  int result;
  std::vector<std::string> names;  ///< argv[1] .. argv[argc - 1]
  bool null_ended;
  std::string program;
  std::string errors;
};

Parsed parse(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  Parsed p{};
  p.errors = unit::stderr_of([&] { p.result = parse_options(&argc, argv.data()); });
  p.argc = argc;
  for (int i = 1; i < argc; ++i) p.names.emplace_back(argv[static_cast<std::size_t>(i)]);
  p.null_ended = argv[static_cast<std::size_t>(argc)] == nullptr;
  p.program = argv[0];
  return p;
}

TEST_F(Options, Table) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> names;
    int output;
    int help;
    std::string errors;
  };
  const Case cases[] = {
      {{"pelnor"}, {}, 0, 0, ""},
      {{"pelnor", "a.jpg"}, {"a.jpg"}, 0, 0, ""},
      {{"pelnor", "-o", "a.jpg"}, {"a.jpg"}, 1, 0, ""},
      {{"pelnor", "-O", "a.jpg"}, {"a.jpg"}, 1, 0, ""},
      {{"pelnor", "a.jpg", "-oops"}, {"a.jpg"}, 1, 0, ""},
      {{"pelnor", "-output"}, {}, 1, 0, ""},
      {{"pelnor", "-h"}, {}, 0, 1, ""},
      {{"pelnor", "-H"}, {}, 0, 1, ""},
      {{"pelnor", "-?"}, {}, 0, 1, ""},
      {{"pelnor", "-help", "a.jpg"}, {"a.jpg"}, 0, 1, ""},
      {{"pelnor", "-?x"}, {}, 0, 1, ""},
      {{"pelnor", "a.jpg", "-h"}, {"a.jpg"}, 0, 1, ""},
      {{"pelnor", "-", "a.jpg"}, {"a.jpg"}, 0, 0, "No such option(-)\n"},
      {{"pelnor", "--", "-o"}, {}, 1, 0, "No such option(--)\n"},
      {{"pelnor", "a.jpg", "-x", "b.jpg"}, {"a.jpg", "b.jpg"}, 0, 0, "No such option(-x)\n"},
      {{"pelnor", "-x", "-h"}, {}, 0, 1, "No such option(-x)\n"},
      {{"pelnor", "-xyz", "-Q", "-0"},
       {},
       0,
       0,
       "No such option(-xyz)\nNo such option(-Q)\nNo such option(-0)\n"},
      // Consecutive options: the entry moved into place is examined too.
      {{"pelnor", "-o", "-o", "-h", "-h", "a", "-o", "b", "-", "-"},
       {"a", "b"},
       1,
       1,
       "No such option(-)\nNo such option(-)\n"},
      {{"pelnor", "a", "b", "c"}, {"a", "b", "c"}, 0, 0, ""},
      // Only a leading dash makes an option.
      {{"pelnor", "a-o", "", " -o"}, {"a-o", "", " -o"}, 0, 0, ""},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += "[" + a + "]";
    SCOPED_TRACE(line);
    opt_output = opt_help = 0;
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.names, c.names);
    EXPECT_EQ(p.argc, static_cast<int>(c.names.size()) + 1);
    EXPECT_EQ(p.result, p.argc);
    EXPECT_TRUE(p.null_ended);
    EXPECT_EQ(p.program, "pelnor");
    EXPECT_EQ(opt_output, c.output);
    EXPECT_EQ(opt_help, c.help);
    EXPECT_EQ(p.errors, c.errors);
  }
}

TEST_F(Options, ProgramNameIsNeverAnOption) {
  const Parsed p = parse({"-o", "a"});
  EXPECT_EQ(p.program, "-o");
  EXPECT_EQ(p.names, std::vector<std::string>{"a"});
  EXPECT_EQ(opt_output, 0);
}

TEST_F(Options, FlagsAreNeverReset) {
  parse({"pelnor", "-o"});
  parse({"pelnor", "a"});
  EXPECT_EQ(opt_output, 1);
}

TEST_F(Options, UnknownOptionsGoToStandardErrorOnly) {
  Parsed p{};
  const std::string out = unit::stdout_of([&] { p = parse({"p", "-x"}); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(p.errors, "No such option(-x)\n");
}

TEST_F(Options, HelpText) {
  const std::string out = unit::stdout_of([] { print_help(); });
  const std::regex expected(
      "TIFF/EP tag dumping and thumbnail output utility by dorv at "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) +[0-9]{1,2} [0-9]{4}"
      "pelnor \\[-o\\] \\[-h\\] \\[-\\?\\] file\\.\\.\\.\n"
      "Option:\n"
      "\t-o:\tOutput thumbnail image\\[bitmap or jpeg\\]\n"
      "\t-h or -\\?: Print this message\n");
  EXPECT_TRUE(std::regex_match(out, expected)) << out;
}

}  // namespace
}  // namespace pelnor
