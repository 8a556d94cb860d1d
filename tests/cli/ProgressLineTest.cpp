#include <gtest/gtest.h>

#include <sstream>

#include "ProgressLine.h"

namespace lathwell::cli {

TEST(ProgressLine, DescribesShareOrAmountAndThroughput) {
    EXPECT_EQ(ProgressLine::Describe(250000, 1000000, 0.5), " 25%  0.5 MB/s");
    EXPECT_EQ(ProgressLine::Describe(3000000, 1000000, 1.0), "100%  3.0 MB/s");  // gzip passes its size
    EXPECT_EQ(ProgressLine::Describe(12500000, 0, 2.0), "12.5 MB  6.2 MB/s");
    EXPECT_EQ(ProgressLine::Describe(0, 100, 0.0), "  0%  0.0 MB/s");
}

// The clock is stepped in binary fractions so that the interval tests are exact.
TEST(ProgressLine, RedrawsOnlyAfterTheIntervalAndWipesItself) {
    double now = 100.0;
    std::ostringstream terminal;
    ProgressLine line(terminal, [&] { return now; });
    for (int i = 0; i < 1000; ++i) line.Update(i, 10000000);  // no time passed: nothing drawn
    now = 100.125;
    line.Update(1000000, 10000000);
    EXPECT_EQ(terminal.str(), "");
    now = 100.25;
    line.Update(2500000, 10000000);
    EXPECT_EQ(terminal.str(), "\r 25%  10.0 MB/s");
    now = 100.375;
    line.Update(3000000, 10000000);
    now = 100.5;
    line.Update(4000000, 10000000);
    // The shorter text is padded so that nothing of the longer one stays visible.
    EXPECT_EQ(terminal.str(), "\r 25%  10.0 MB/s\r 40%  8.0 MB/s ");
    line.Clear();
    EXPECT_EQ(terminal.str(), "\r 25%  10.0 MB/s\r 40%  8.0 MB/s \r               \r");
    line.Clear();
    EXPECT_EQ(terminal.str(), "\r 25%  10.0 MB/s\r 40%  8.0 MB/s \r               \r");
}

TEST(ProgressLine, ClearsNothingWhenNothingWasDrawn) {
    std::ostringstream terminal;
    ProgressLine line(terminal, [] { return 5.0; });
    line.Update(10, 20);
    line.Clear();
    EXPECT_EQ(terminal.str(), "");
}

}  // namespace lathwell::cli
