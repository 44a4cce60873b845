// A connection with its own thread against pyftpdlib: typed requests in
// order, results as events, cancels of waiting and running requests, and a
// new log-in after a cancel closed the connection.
#include "ftp/connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>

#include "support/real_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

// Collects a connection's events as its wake-up announces them.
class EventLog {
public:
    explicit EventLog(Connection& connection) : connection(connection) {
        connection.Events().SetWakeUp([this] {
            std::lock_guard<std::mutex> guard(lock);
            changed.notify_all();
        });
    }
    // Waits until the request finished; its result.
    RequestResult Finished(std::uint64_t id) {
        if (!WaitFor([&] { return results.count(id) > 0; }))
            return Result<void>(Error(Error::Category::Protocol, "no result in time"));
        std::lock_guard<std::mutex> guard(lock);
        return results.at(id);
    }
    bool Progressed(std::uint64_t id) {
        return WaitFor([&] { return progress[id] > 0; });
    }

private:
    // Takes what arrived until the condition holds (30 s at most).
    template <typename Condition>
    bool WaitFor(Condition condition) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, 30s, [&] {
            for (ConnectionEvent& event : connection.Events().TakeAll()) {
                if (!event.finished) ++progress[event.request];
                if (event.finished) results.emplace(event.request, std::move(event.result));
            }
            return condition();
        });
    }

    Connection& connection;
    std::mutex lock;
    std::condition_variable changed;
    std::map<std::uint64_t, RequestResult> results;
    std::map<std::uint64_t, int> progress;
};

template <typename T>
const T& ValueOf(const RequestResult& result) {
    return std::get<Result<T>>(result).Value();
}

TEST(ConnectionTest, RequestsRunInOrderAndReportTypedResults) {
    testsupport::PyftpdlibServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem();
    testsupport::TempDir local;
    local.WriteFile("up.txt", "sent through the connection\n");
    LogQueue log;
    Connection connection(log, testsupport::AnonymousSettings(server));
    EventLog events(connection);
    const std::string dir = "/" + server.WritableRemoteDir() + "/made";

    const struct {
        const char* what;
        Request request;
        Error::Category expected;
    } steps[] = {
        {"make", request::MakeDirectory{dir}, Error::Category::None},
        {"upload", request::Transfer{TransferRequest::Direction::Upload, dir + "/up.txt",
                                     (local / "up.txt").string(), 'I', false},
         Error::Category::None},
        {"rename", request::Rename{dir + "/up.txt", dir + "/moved.txt"}, Error::Category::None},
        {"stat", request::Stat{dir + "/moved.txt"}, Error::Category::None},
        {"download", request::Transfer{TransferRequest::Direction::Download, dir + "/moved.txt",
                                       (local / "back.txt").string(), 'I', false},
         Error::Category::None},
        {"list", request::List{dir}, Error::Category::None},
        {"missing", request::List{dir + "/nowhere"}, Error::Category::Reply},
        {"delete", request::Delete{dir + "/moved.txt"}, Error::Category::None},
        {"rmdir", request::RemoveDirectory{dir}, Error::Category::None},
        {"enter gone", request::ChangeDirectory{dir}, Error::Category::Reply},
    };
    std::vector<std::uint64_t> ids;
    for (const auto& step : steps) ids.push_back(connection.Submit(step.request));
    for (std::size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(steps[i].what);
        const RequestResult result = events.Finished(ids[i]);
        EXPECT_EQ(FailureOf(result).category, steps[i].expected) << FailureOf(result).message;
    }
    EXPECT_EQ(ValueOf<RemoteFileFacts>(events.Finished(ids[3])).size, 28);
    EXPECT_EQ(testsupport::TempDir::ReadFile(local / "back.txt"), "sent through the connection\n");
    const RequestResult listed = events.Finished(ids[5]);
    const Listing& listing = ValueOf<Listing>(listed);
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].name, "moved.txt");
    EXPECT_EQ(FailureOf(events.Finished(ids[6])).replyCode, 550);
}

TEST(ConnectionTest, CancelEndsWaitingAndRunningRequestsAndTheNextLogsInAgain) {
    testsupport::PyftpdlibOptions options;
    options.bytesPerSecond = 256 << 10;
    testsupport::PyftpdlibServer server(options);
    if (!server.Started()) GTEST_SKIP() << server.Problem();
    std::string bytes(8 << 20, '\0');
    std::mt19937 generator(5);
    for (char& c : bytes) c = static_cast<char>(generator());
    testsupport::TempDir local;
    const std::string remote = "/" + server.WritableRemoteDir() + "/big.bin";
    std::ofstream(server.WritableDir() / "big.bin", std::ios::binary) << bytes;
    LogQueue log;
    Connection connection(log, testsupport::AnonymousSettings(server));
    EventLog events(connection);
    const std::uint64_t slow = connection.Submit(
        request::Transfer{TransferRequest::Direction::Download, remote, (local / "big.bin").string(), 'I', false});
    const std::uint64_t waiting = connection.Submit(request::Stat{remote});
    connection.Cancel(waiting);
    EXPECT_EQ(FailureOf(events.Finished(waiting)).category, Error::Category::Cancelled);
    ASSERT_TRUE(events.Progressed(slow));
    const auto before = std::chrono::steady_clock::now();
    connection.Cancel(slow);
    EXPECT_EQ(FailureOf(events.Finished(slow)).category, Error::Category::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_FALSE(std::filesystem::exists(local / "big.bin"));
    const RequestResult after = events.Finished(connection.Submit(request::Stat{remote}));
    EXPECT_EQ(ValueOf<RemoteFileFacts>(after).size, 8 << 20);
}

}  // namespace
