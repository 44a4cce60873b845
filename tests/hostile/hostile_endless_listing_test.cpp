// Listings that never end, fast or one line a second: each ends at the first
// limit it reaches, says which, stays small in memory and leaves nothing in
// the folder a walk fills.
#include <fstream>

#include "hostile_fixture.h"

namespace hostile {
namespace {

using namespace std::chrono_literals;

std::size_t PeakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string word; status >> word;)
        if (word == "VmHWM:" && status >> word) return std::stoul(word);
    return 0;
}

struct EndlessListing {
    const char* name;
    ListingLimits limits;
    std::size_t nameLength;
    std::chrono::milliseconds between;  // 0: blocks of 100 lines as fast as they go; else one line each time
    bool walk;                          // getdir's walk, or the listing of the current directory
    const char* bound;
};

const EndlessListing kEndless[] = {
    {"EntriesWalk", {20000, 1ull << 40, 60}, 8, 0ms, true, "more than 20000 entries."},
    {"EntriesBrowse", {20000, 1ull << 40, 60}, 8, 0ms, false, "more than 20000 entries."},
    {"BytesWalk", {1u << 30, 8u << 20, 60}, 1000, 0ms, true, "more than 8388608 bytes."},
    {"OneLineASecond", {5'000'000, 2ull << 30, 2}, 8, 1000ms, true, "not complete after 2 seconds."},
};

class HostileEndlessListingTest : public HostileServerTest,
                                  public testing::WithParamInterface<EndlessListing> {};

TEST_P(HostileEndlessListingTest, EndsAtItsBound) {
    const EndlessListing& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    testsupport::Reconfigure(s.session,
                             [&](ConnectionSettings& config) { config.listingLimits = row.limits; });
    std::string block;
    for (int i = 0; i < (row.between > 0ms ? 1 : 100); ++i)
        block += FileLine(std::string(row.nameLength, 'f') + std::to_string(i)) + "\r\n";
    if (row.walk) s.server.Expect("CWD", "250 ok\r\n");
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("LIST", [block, &row](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Here it comes, for ever.\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        while (link.SendAll(block) && connection.Pause(row.between)) {
        }
        connection.Send("426 Connection closed; transfer aborted.\r\n");
    });
    if (row.walk) s.server.Expect("CWD", "250 ok\r\n");

    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak
    Stopwatch clock;
    RemoteEntry entry;
    const std::string root = (dir / "top").string();
    EXPECT_TRUE(row.walk ? !s.session.DownloadTree("top", &root).Completed()
                         : s.session.FetchListing(entry) == ListingRead::Failed);
    EXPECT_LT(clock.Elapsed(), 8s);  // the slow one: its 2 s, then the server's final reply
    EXPECT_LT(PeakResidentKilobytes(), 200u << 10);
    EXPECT_TRUE(s.harness.HasLine(std::string("Directory listing stopped: ") + row.bound))
        << s.harness.Joined();
    EXPECT_TRUE(LocalTree().empty()) << "nothing of the listing stays, and the walk made no folder";
    EXPECT_EQ(s.server.PendingSteps(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Listings, HostileEndlessListingTest, testing::ValuesIn(kEndless),
                         [](const testing::TestParamInfo<EndlessListing>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace hostile
