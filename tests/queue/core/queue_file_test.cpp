// The saved queue: what goes in comes back, and a damaged file is refused
// whole with a reason.
#include "queue/core/queue_file.h"

#include <gtest/gtest.h>

#include "queue/core/transfer_queue.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

std::vector<TransferJob> SampleJobs() {
    TransferJob upload;
    upload.direction = TransferDirection::Upload;
    upload.site = "Work\\Servers\tmain";
    upload.localPath = "/home/u/odd\nname\\x.txt";
    upload.remotePath = "/in/odd\tname.txt";
    upload.existing = ExistingFileChoice::OverwriteIfNewer;
    upload.state = JobState::Running;
    upload.totalBytes = 5000;
    upload.doneBytes = 1200;
    upload.attempts = 2;
    TransferJob tree;
    tree.isDirectory = true;
    tree.site = "Home";
    tree.localPath = "/home/u/tree";
    tree.remotePath = "/pub/tree";
    tree.existing = ExistingFileChoice::Rename;
    tree.state = JobState::Failed;
    tree.failure = "550 No such file";
    TransferJob skipped = tree;
    skipped.isDirectory = false;
    skipped.state = JobState::Done;
    skipped.failure.clear();
    skipped.note = "Skipped: the target exists";
    return {upload, tree, skipped};
}

TEST(QueueFileTest, RoundTripKeepsEveryFieldAndRunningJobsComeBackQueued) {
    const std::vector<TransferJob> saved = SampleJobs();
    std::vector<TransferJob> loaded;
    std::string error;
    ASSERT_TRUE(ParseQueueFile(FormatQueueFile(saved), loaded, error)) << error;
    ASSERT_EQ(loaded.size(), saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded[i].direction, saved[i].direction);
        EXPECT_EQ(loaded[i].isDirectory, saved[i].isDirectory);
        EXPECT_EQ(loaded[i].existing, saved[i].existing);
        EXPECT_EQ(loaded[i].state, saved[i].state == JobState::Running ? JobState::Queued : saved[i].state);
        EXPECT_EQ(loaded[i].totalBytes, saved[i].totalBytes);
        EXPECT_EQ(loaded[i].doneBytes, saved[i].doneBytes);
        EXPECT_EQ(loaded[i].attempts, saved[i].attempts);
        EXPECT_EQ(loaded[i].site, saved[i].site);
        EXPECT_EQ(loaded[i].localPath, saved[i].localPath);
        EXPECT_EQ(loaded[i].remotePath, saved[i].remotePath);
        EXPECT_EQ(loaded[i].failure, saved[i].failure);
        EXPECT_EQ(loaded[i].note, saved[i].note);
    }
}

TEST(QueueFileTest, DamagedFilesAreRefusedWithTheLine) {
    const std::string header = "Quillmoor transfer queue 1\n";
    const std::string good = "download\tfile\toverwrite\tqueued\t-1\t0\t0\tsite\t/l\t/r\t\t\n";
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        {"Quillmoor transfer queue 2\n" + good, "line 2: expected 13 fields, found 12"},
        {header + good.substr(0, good.size() - 1) + "\t0\n", "line 2: expected 12 fields, found 13"},
        {"Quillmoor transfer queue 0\n" + good, "not a saved transfer queue"},
        {"Quillmoor transfer queue 2\n" + good.substr(0, good.size() - 1) + "\t-1\n", "line 2: bad number"},
        {"<?xml version='1.0'?>\n", "not a saved transfer queue"},
        {header + good.substr(0, good.size() - 1), "line 2: the file ends inside a line"},
        {header + "download\tfile\n", "line 2: expected 12 fields, found 2"},
        {header + good + good + "\n", "line 4: expected 12 fields, found 1"},
        {header + "sideways\tfile\toverwrite\tqueued\t-1\t0\t0\ts\t/l\t/r\t\t\n", "line 2: unknown"},
        {header + "download\tfile\toverwrite\tlost\t-1\t0\t0\ts\t/l\t/r\t\t\n", "line 2: unknown"},
        {header + "download\tfile\toverwrite\tqueued\t-2\t0\t0\ts\t/l\t/r\t\t\n", "line 2: bad number"},
        {header + "download\tfile\toverwrite\tqueued\t1x\t0\t0\ts\t/l\t/r\t\t\n", "line 2: bad number"},
        {header + "download\tfile\toverwrite\tqueued\t1\t99999999999999999999\t0\ts\t/l\t/r\t\t\n",
         "line 2: bad number"},
        {header + "download\tfile\toverwrite\tqueued\t1\t0\t0\ts\\\t/l\t/r\t\t\n", "line 2: bad escape"},
        {header + "download\tfile\toverwrite\tqueued\t1\t0\t0\ts\\q\t/l\t/r\t\t\n", "line 2: bad escape"},
        {header + "download\tfile\toverwrite\tqueued\t1\t0\t0\ts\t/l\trelative\t\t\n", "line 2: a job needs"},
        {header + "download\tfile\toverwrite\tqueued\t1\t0\t0\ts\t\t/r\t\t\n", "line 2: a job needs"},
        {std::string("Quillmoor transfer queue 1\0\n", 28), "not a saved transfer queue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<TransferJob> jobs = SampleJobs();
        std::string error;
        EXPECT_FALSE(ParseQueueFile(c.text, jobs, error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_TRUE(jobs.empty());
    }
}

// Every prefix of a good file, and every single byte changed, parses or is
// refused without a crash; the refusals leave nothing half-read.
TEST(QueueFileTest, CutAndFlippedFilesNeverCrash) {
    const std::string text = FormatQueueFile(SampleJobs());
    int refused = 0;
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        std::vector<TransferJob> jobs;
        std::string error;
        if (!ParseQueueFile(text.substr(0, cut), jobs, error)) {
            ++refused;
            EXPECT_TRUE(jobs.empty());
            EXPECT_FALSE(error.empty());
        }
    }
    for (std::size_t at = 0; at < text.size(); ++at) {
        for (char byte : {'\0', '\t', '\n', '\\', 'x', '9', '-'}) {
            std::string flipped = text;
            flipped[at] = byte;
            std::vector<TransferJob> jobs;
            std::string error;
            if (!ParseQueueFile(flipped, jobs, error)) {
                EXPECT_FALSE(error.empty());
            }
        }
    }
    EXPECT_GT(refused, 0);
}

// Older files (no count of interrupted runs) and newer ones (fields this
// version does not know) are read.
TEST(QueueFileTest, OlderAndNewerVersionsAreRead) {
    const std::string line = "upload\tfile\tskip\trunning\t9\t4\t1\ts\t/l\t/r\t\t";
    for (const std::string& text : {"Quillmoor transfer queue 1\n" + line + "\n",
                                    "Quillmoor transfer queue 7\n" + line + "\t0\tlater\tfields\n"}) {
        SCOPED_TRACE(text);
        std::vector<TransferJob> jobs;
        std::string error;
        ASSERT_TRUE(ParseQueueFile(text, jobs, error)) << error;
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0].state, JobState::Queued);
        EXPECT_EQ(jobs[0].interruptedRuns, 1);
        EXPECT_EQ(jobs[0].existing, ExistingFileChoice::Skip);
        EXPECT_EQ(jobs[0].doneBytes, 4);
    }
}

// The program ends while a job runs: what it saved at that moment is what
// the next start reads. A job runs again once on its own; interrupted again
// it waits paused, also after the user resumed it. A run that ended clears
// the count.
TEST(QueueFileTest, AJobInterruptedTwiceComesBackPausedWithANote) {
    TempDir dir;
    const std::string path = (dir / "queue").string();
    std::string error;
    TransferQueue first;
    TransferJob job = SampleJobs()[0];
    job.state = JobState::Queued;
    first.Add(job);
    ASSERT_TRUE(first.Save(path, error)) << error;
    const std::string note = "the program stopped twice while this ran";
    struct Case {
        bool failsAndIsRetriedFirst;
        JobState after;
        std::string note;
    } cases[] = {
        {false, JobState::Queued, ""}, {false, JobState::Paused, note}, {false, JobState::Paused, note},
        {true, JobState::Queued, ""},  {false, JobState::Paused, note},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        TransferQueue queue;
        ASSERT_TRUE(queue.Load(path, error)) << error;
        const std::uint64_t id = queue.Jobs().at(0).id;
        queue.Resume(id);
        if (c.failsAndIsRetriedFirst) {
            ASSERT_TRUE(queue.TakeNext());
            queue.Finish(id, JobState::Failed, "550 No");
            queue.Retry(id);
        }
        ASSERT_TRUE(queue.TakeNext());
        ASSERT_TRUE(queue.Save(path, error)) << error;  // as the program left it
        TransferQueue restarted;
        ASSERT_TRUE(restarted.Load(path, error)) << error;
        EXPECT_EQ(restarted.Jobs().at(0).state, c.after);
        EXPECT_EQ(restarted.Jobs().at(0).note, c.note);
    }
}

TEST(QueueFileTest, QueueSavesAtomicallyAndLoadsWithFreshIds) {
    TempDir dir;
    const std::string path = (dir / "queue.txt").string();
    TransferQueue queue;
    for (const TransferJob& job : SampleJobs()) queue.Add(job);
    std::string error;
    ASSERT_TRUE(queue.Save(path, error)) << error;

    TransferQueue restored;
    restored.Add(SampleJobs()[1]);
    ASSERT_TRUE(restored.Load(path, error)) << error;
    const std::vector<TransferJob> jobs = restored.Jobs();
    ASSERT_EQ(jobs.size(), 3u) << "loading replaces what the queue held";
    EXPECT_EQ(jobs[0].state, JobState::Queued);
    EXPECT_NE(jobs[0].id, jobs[1].id);
    EXPECT_EQ(restored.TakeNext()->localPath, SampleJobs()[0].localPath);

    TransferQueue empty;
    EXPECT_TRUE(empty.Load((dir / "never-saved").string(), error)) << "no saved queue is an empty one";
    EXPECT_TRUE(empty.Jobs().empty());

    dir.WriteFile("damaged", "Quillmoor transfer queue 1\nupload\n");
    EXPECT_FALSE(restored.Load((dir / "damaged").string(), error));
    EXPECT_NE(error.find("damaged: line 2"), std::string::npos) << error;
    EXPECT_EQ(restored.Jobs().size(), 3u) << "a refused file changes nothing";
}

}  // namespace
