// Listings that never end, fast or one line a second: each ends at the first
// listing limit it reaches, with a log line naming it, in little memory, and
// nothing of it lands in the folder a walk fills.
#include <fstream>

#include "hostile_fixture.h"

namespace hostile {
namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedConnection;

// The process's peak resident memory since the last reset.
std::size_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string word; status >> word;)
        if (word == "VmHWM:" && status >> word) return std::stoul(word) * 1024;
    return 0;
}

struct EndlessListing {
    const char* name;
    ListingLimits limits;
    std::size_t nameLength;             // of each listed file
    std::chrono::milliseconds between;  // pause after each block of lines
    std::size_t linesPerBlock;
    bool walk;  // getdir's walk, or the listing of the current directory
    const char* bound;
};

const EndlessListing kEndless[] = {
    {"EntriesWalk", {20000, 1ull << 40, 60}, 8, 0ms, 100, true, "more than 20000 entries."},
    {"EntriesBrowse", {20000, 1ull << 40, 60}, 8, 0ms, 100, false, "more than 20000 entries."},
    {"BytesWalk", {1u << 30, 8u << 20, 60}, 1000, 0ms, 50, true, "more than 8388608 bytes."},
    {"OneLineASecond", {5'000'000, 2ull << 30, 2}, 8, 1000ms, 1, true, "not complete after 2 seconds."},
};

class HostileEndlessListingTest : public HostileServerTest, public testing::WithParamInterface<EndlessListing> {};

TEST_P(HostileEndlessListingTest, EndsAtItsBound) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    testsupport::Reconfigure(s.session, [this](ConnectionSettings& config) { config.listingLimits = GetParam().limits; });
    std::string block;
    for (std::size_t i = 0; i < GetParam().linesPerBlock; ++i)
        block += FileLine(std::string(GetParam().nameLength, 'f') + std::to_string(i)) + "\r\n";
    if (GetParam().walk) s.server.Expect("CWD", "250 ok\r\n");
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("LIST", [block, between = GetParam().between](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Here it comes, for ever.\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        while (link.SendAll(block) && connection.Pause(between)) {
        }
        connection.Send("426 Connection closed; transfer aborted.\r\n");
    });
    if (GetParam().walk) s.server.Expect("CWD", "250 ok\r\n");

    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak
    Stopwatch clock;
    if (GetParam().walk) {
        const std::string root = (dir / "top").string();
        EXPECT_NE(s.session.DownloadTree("top", &root).outcome, WalkResult::Outcome::Completed);
        EXPECT_TRUE(s.harness.HasLine("Could not list remote directory top; skipped.")) << s.harness.Joined();
    } else {
        RemoteEntry entry;
        EXPECT_EQ(s.session.FetchListing(entry), ListingRead::Failed);
    }
    EXPECT_LT(clock.Elapsed(), 8s);  // the slow one: its 2 s, then the server's final reply
    EXPECT_LT(PeakResidentBytes(), 200u << 20);
    EXPECT_TRUE(s.harness.HasLine(std::string("Directory listing stopped: ") + GetParam().bound)) << s.harness.Joined();
    EXPECT_TRUE(LocalTree().empty()) << "nothing of the listing stays, and the walk made no folder";
    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
}

INSTANTIATE_TEST_SUITE_P(Listings, HostileEndlessListingTest, testing::ValuesIn(kEndless),
                         [](const testing::TestParamInfo<EndlessListing>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hostile
