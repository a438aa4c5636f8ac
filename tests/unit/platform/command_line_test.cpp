// Splitting one command line into arguments by the start-up rule.
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;
using platform::SplitCommandLine;

TEST(CommandLine, BlanksAndTabsSeparateAndRunsOfThemCountOnce) {
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine(" \t "), Args{});
  EXPECT_EQ(SplitCommandLine("  -x\t\t/AcVer  /acver "), (Args{"-x", "/AcVer", "/acver"}));
}

TEST(CommandLine, DoubleQuotesGroupAndAreRemovedWhereverTheyStand) {
  EXPECT_EQ(SplitCommandLine("\"/acver\""), Args{"/acver"});
  EXPECT_EQ(SplitCommandLine("\"/acver x\" y"), (Args{"/acver x", "y"}));
  EXPECT_EQ(SplitCommandLine("/a\"c v\"er"), Args{"/ac ver"});
  EXPECT_EQ(SplitCommandLine("a \"\" b"), (Args{"a", "", "b"}));  // an empty argument
  EXPECT_EQ(SplitCommandLine("\"open to the end"), Args{"open to the end"});
}

}  // namespace
