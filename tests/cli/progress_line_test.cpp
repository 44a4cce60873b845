#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(ProgressLine, ShowsBytesPercentageWhenKnownAndRate) {
    const struct {
        std::int64_t expected;
        std::int64_t done;
        double rate;
        std::string line;
    } rows[] = {
        {0, 123, 0, "Retrieving a From h  123 bytes"},
        {1000, 250, 0, "Retrieving a From h  250 bytes  25%"},
        {2500000, 2500000, 1536, "Retrieving a From h  2500000 bytes  100%  1.5 KiB/s"},
        {100, 150, 512, "Retrieving a From h  150 bytes  100%  512 B/s"},
        {0, 5LL << 30, 3.5 * 1024 * 1024 * 1024, "Retrieving a From h  5368709120 bytes  3.5 GiB/s"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ProgressLine::Compose("Retrieving a From h", row.expected, row.done, row.rate), row.line);
    }
}

TEST(ProgressLine, RedrawsInPlaceAndClearsItself) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* terminal = open_memstream(&text, &size);
    ProgressLine line(terminal);
    line.Clear();  // nothing shown yet: nothing written
    line.Show("Sending x To h", 10, 5);
    line.Show("Sending x To h", 10, 10);
    line.Clear();
    std::fclose(terminal);
    const std::string written(text, size);
    std::free(text);
    EXPECT_EQ(written.rfind("\r\033[K"), written.size() - 4);
    EXPECT_NE(written.find("\rSending x To h  5 bytes  50%\033[K"), std::string::npos) << written;
    EXPECT_NE(written.find("\rSending x To h  10 bytes  100%"), std::string::npos) << written;
    EXPECT_EQ(written.find('\n'), std::string::npos);
}

}  // namespace
