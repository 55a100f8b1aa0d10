// The command line: options anywhere, only the letter after the dash counts, unknown options
// reported on standard error and dropped, and the help text.
#include <gtest/gtest.h>

#include <regex>

#include "support/expected_text.h"
#include "support/sample_files.h"
#include "support/tool_run.h"

namespace pelnor::e2e {
namespace {

using testing::Order;

const std::string kBanner = "TIFF/EP tag dumping and thumbnail output utility by dorv at ";
const std::string kHelpRest =
    "pelnor [-o] [-h] [-?] file...\n"
    "Option:\n"
    "\t-o:\tOutput thumbnail image[bitmap or jpeg]\n"
    "\t-h or -?: Print this message\n";

// The banner, the build date (as the compiler's __DATE__ writes it) and the usage run together
// on the first line; the rest is fixed.
void expect_help(const std::string& out) {
  const std::string rest = native_text(kHelpRest);
  ASSERT_EQ(out.size(), kBanner.size() + 11 + rest.size()) << out;
  EXPECT_EQ(out.substr(0, kBanner.size()), kBanner);
  const std::string date = out.substr(kBanner.size(), 11);
  EXPECT_TRUE(std::regex_match(date, std::regex("[A-Z][a-z][a-z] [ 0-9][0-9] [0-9]{4}"))) << date;
  EXPECT_EQ(out.substr(kBanner.size() + 11), rest);
}

Input jpeg_photo(const std::string& name) { return file(name, jpeg_thumbnail_file(Order::kII)); }

std::string photo_report() { return jpeg_thumbnail_dump() + std::string(kJpegKind); }

std::string photo_extraction(const std::string& name) {
  return jpeg_thumbnail_dump() + extraction(name + ".thumb.jpg", kJpegKind);
}

TEST(Options, NothingToDoEndsQuietly) {
  const std::vector<std::vector<std::string>> lines = {{}, {"-o"}, {"-O", "-o"}};
  for (const auto& args : lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    expect_run({}, args, {"", "", 0, {}});
  }
}

TEST(Options, EverySpellingOfOutputExtracts) {
  const std::vector<std::vector<std::string>> lines = {
      {"-o", "a.jpg"}, {"-O", "a.jpg"}, {"a.jpg", "-o"}, {"-oops", "a.jpg"}, {"-Output", "a.jpg"}};
  for (const auto& args : lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    expect_run({jpeg_photo("a.jpg")}, args,
               {photo_extraction("a.jpg"), "", 0, {{"a.jpg.thumb.jpg", testing::tiny_jpeg()}}});
  }
}

TEST(Options, OutputBetweenFilesAppliesToEveryFile) {
  expect_run(
      {jpeg_photo("a.jpg"), jpeg_photo("b.jpg")}, {"a.jpg", "-o", "b.jpg"},
      {photo_extraction("a.jpg") + photo_extraction("b.jpg"),
       "",
       0,
       {{"a.jpg.thumb.jpg", testing::tiny_jpeg()}, {"b.jpg.thumb.jpg", testing::tiny_jpeg()}}});
}

TEST(Options, HelpReadsNoFileAndEndsWithTwo) {
  const std::vector<std::vector<std::string>> lines = {
      {"-h"},
      {"-H"},
      {"-?"},
      {"-help"},
      {"a.jpg", "-h"},
      {"-o", "-?", "a.jpg"},
      {"missing.jpg", "-H"},
  };
  for (const auto& args : lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    Outcome outcome = run_tool({jpeg_photo("a.jpg")}, args);
    expect_help(outcome.out);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_EQ(outcome.files.size(), 1u) << "nothing may be written";
  }
}

TEST(Options, UnknownOptionBeforeHelpIsReportedFirst) {
  Outcome outcome = run_tool({}, {"-x", "-h"});
  expect_help(outcome.out);
  EXPECT_EQ(outcome.err, native_text(unknown_option_line("-x")));
  EXPECT_EQ(outcome.exit_code, 2);
}

struct UnknownCase {
  const char* name;
  std::vector<std::string> args;
  std::string err;
};

TEST(Options, UnknownOptionsAreReportedAndDropped) {
  const std::vector<UnknownCase> cases = {
      {"lone dash", {"a.jpg", "-", "b.jpg"}, unknown_option_line("-")},
      {"two dashes are no end of options", {"--", "a.jpg", "b.jpg"}, unknown_option_line("--")},
      {"letter between files", {"a.jpg", "-x", "b.jpg"}, unknown_option_line("-x")},
      {"whole argument is named", {"a.jpg", "b.jpg", "-xyz"}, unknown_option_line("-xyz")},
      {"in command-line order",
       {"-q", "a.jpg", "-1", "b.jpg"},
       unknown_option_line("-q") + unknown_option_line("-1")},
  };
  for (const UnknownCase& c : cases) {
    SCOPED_TRACE(c.name);
    expect_run({jpeg_photo("a.jpg"), jpeg_photo("b.jpg")}, c.args,
               {photo_report() + photo_report(), c.err, 0, {}});
  }
}

}  // namespace
}  // namespace pelnor::e2e
