// The transfer queue's table model and pane: the words and figures of a job,
// rows that follow changes made on other threads, the commands each state
// allows, and the saved queue.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <cmath>
#include <limits>
#include <thread>

#include "queue/queue_commands.h"
#include "queue/saved_queue.h"
#include "platform/desktop/thread_wake.h"
#include "queue/transfer_queue_events.h"
#include "queue/transfer_queue_model.h"
#include "queue/transfer_queue_pane.h"
#include "queue/transfer_texts.h"

namespace {

TransferJob FileJob(const std::string& name, TransferDirection direction = TransferDirection::Download) {
    TransferJob job;
    job.direction = direction;
    job.site = "Local";
    job.localPath = "/tmp/here/" + name;
    job.remotePath = "/pub/" + name;
    return job;
}

// Puts one job of the queue into `state` the way the runner and the user do.
std::uint64_t AddInState(TransferQueue& queue, JobState state) {
    const std::uint64_t id = queue.Add(FileJob("job" + std::to_string(static_cast<int>(state))));
    if (state == JobState::Queued) return id;
    if (state == JobState::Paused) {
        queue.Pause(id);
        return id;
    }
    // TakeNext takes the first queued job: callers add these while no other waits.
    const std::optional<TransferJob> taken = queue.TakeNext();
    if (!taken || taken->id != id) return 0;
    if (state == JobState::Failed) queue.Finish(id, JobState::Failed, "550 No such file");
    if (state == JobState::Done || state == JobState::Verified) queue.Finish(id, state, "");
    return id;
}

QString Cell(const TransferQueueModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

}  // namespace

Q_DECLARE_METATYPE(JobState)

class QueuePaneTest : public QObject {
    Q_OBJECT

private slots:
    void TextsOfAJob_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown size") << ByteCountText(-1) << "";
        QTest::newRow("bytes") << ByteCountText(512) << "512 bytes";
        QTest::newRow("megabytes") << ByteCountText(1572864) << "1.5 MB";
        QTest::newRow("no speed") << SpeedText(0) << "";
        QTest::newRow("speed") << SpeedText(2048) << "2.0 kB/s";
        QTest::newRow("time unknown") << TimeLeftText(-1) << "";
        QTest::newRow("seconds") << TimeLeftText(7) << "0:07";
        QTest::newRow("minutes") << TimeLeftText(245) << "4:05";
        QTest::newRow("hours") << TimeLeftText(3723) << "1:02:03";
        QTest::newRow("percent unknown") << QString::number(PercentDone(10, -1)) << "-1";
        QTest::newRow("percent") << QString::number(PercentDone(1, 3)) << "33";
        QTest::newRow("percent beyond the total") << QString::number(PercentDone(5, 3)) << "100";
    }
    // The line under the progress dialog's bar.
    void SpeedAndTimeLeftTogether_data() {
        QTest::addColumn<double>("bytesPerSecond");
        QTest::addColumn<qint64>("secondsLeft");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both") << 1.2e6 << qint64(42) << "1.2 MB/s, 0:42 left";
        QTest::newRow("rounded speed") << 1249999.0 << qint64(5) << "1.2 MB/s, 0:05 left";
        QTest::newRow("bytes") << 512.4 << qint64(0) << "512 bytes/s, 0:00 left";
        QTest::newRow("kilobytes") << 64000.0 << qint64(725) << "64.0 kB/s, 12:05 left";
        QTest::newRow("hours") << 3.5e9 << qint64(3723) << "3.5 GB/s, 1:02:03 left";
        QTest::newRow("a day and more") << 10.0 << qint64(90061) << "10 bytes/s, 25:01:01 left";
        QTest::newRow("time unknown") << 2.0e6 << qint64(-1) << "2.0 MB/s";
        QTest::newRow("speed unknown") << 0.0 << qint64(-1) << "";
        QTest::newRow("stalled, time still known") << 0.0 << qint64(7) << "0:07 left";
        QTest::newRow("no speed from nonsense") << std::nan("") << qint64(-5) << "";
        QTest::newRow("no negative speed") << -3.0 << qint64(-1) << "";
        QTest::newRow("absurd speed stays a number")
            << std::numeric_limits<double>::infinity() << qint64(1) << "1.0 EB/s, 0:01 left";
    }
    void SpeedAndTimeLeftTogether() {
        QFETCH(double, bytesPerSecond);
        QFETCH(qint64, secondsLeft);
        QTEST(SpeedAndTimeLeftText(bytesPerSecond, secondsLeft), "expected");
    }

    void TextsOfAJob() {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    // Wakes from other threads fold into one answer while one is on its
    // way, and each answer leaves room for the next wake.
    void WakesFoldAndComeAgain() {
        ThreadWake wake;
        int woken = 0;
        QObject::connect(&wake, &ThreadWake::woken, [&woken] { ++woken; });
        for (int round = 1; round <= 3; ++round) {
            std::vector<std::thread> threads;
            for (int t = 0; t < 4; ++t) {
                threads.emplace_back([&wake] {
                    for (int i = 0; i < 100; ++i) wake.Wake();
                });
            }
            for (std::thread& thread : threads) thread.join();
            QTRY_COMPARE(woken, round);  // one answer for the four hundred wakes
        }
    }

    // Every column of a running, a failed and a finished job.
    void RowsShowEachJobsColumns() {
        TransferQueue queue;
        const std::uint64_t running = AddInState(queue, JobState::Running);
        queue.ReportProgress(running, 512 * 1024, 2 * 1024 * 1024, 100 * 1024, 15);
        const std::uint64_t failed = AddInState(queue, JobState::Failed);
        const std::uint64_t done = queue.Add(FileJob("up.bin", TransferDirection::Upload));
        queue.TakeNext();
        queue.Finish(done, JobState::Done, "Skipped: the target exists");
        TransferQueueModel model(queue);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), int(TransferQueueModel::kColumnCount));

        const QStringList runningRow{"Download", "/tmp/here/job1", "/pub/job1", "2.0 MB",
                                     "25%",      "102.4 kB/s",     "0:15",      "Running"};
        for (int column = 0; column < model.columnCount(); ++column)
            QCOMPARE(Cell(model, 0, column), runningRow[column]);
        QCOMPARE(model.data(model.index(0, TransferQueueModel::kProgress), TransferQueueModel::kProgressRole)
                     .toInt(),
                 25);
        QCOMPARE(Cell(model, 1, TransferQueueModel::kState), QStringLiteral("Failed: 550 No such file"));
        QCOMPARE(model.data(model.index(1, TransferQueueModel::kState), Qt::ToolTipRole).toString(),
                 QStringLiteral("Failed: 550 No such file"));
        QCOMPARE(Cell(model, 1, TransferQueueModel::kSpeed), QString());  // only a running job has a speed
        QCOMPARE(Cell(model, 2, TransferQueueModel::kDirection), QStringLiteral("Upload"));
        QCOMPARE(Cell(model, 2, TransferQueueModel::kState),
                 QStringLiteral("Done: Skipped: the target exists"));
        QCOMPARE(model.data(model.index(2, 0), TransferQueueModel::kProgressRole).toInt(), 100);
        QCOMPARE(model.data(model.index(1, 0), TransferQueueModel::kJobIdRole).toULongLong(), failed);
        QCOMPARE(model.headerData(TransferQueueModel::kTimeLeft, Qt::Horizontal).toString(),
                 QStringLiteral("Time left"));

        // Waiting for its server, a running job says only that, and shows no speed.
        queue.WaitToReconnect(running, 2, 5);
        model.Refresh();
        QCOMPARE(Cell(model, 0, TransferQueueModel::kState),
                 QStringLiteral("Waiting to reconnect (attempt 2 of 5)"));
        QCOMPARE(Cell(model, 0, TransferQueueModel::kSpeed), QString());
        queue.WaitToReconnect(running, 0, 0);
        model.Refresh();
        QCOMPARE(Cell(model, 0, TransferQueueModel::kState), QStringLiteral("Running"));
    }

    // Another thread adds, runs, finishes and removes jobs; the rows end as
    // the queue is, reached by insertions, removals and changes (no reset),
    // and without the test pumping anything but the event loop.
    void RowsFollowChangesFromAnotherThread() {
        TransferQueue queue;
        TransferQueueEvents events(queue);
        TransferQueueModel model(queue);
        QObject::connect(&events, &TransferQueueEvents::changed, &model, &TransferQueueModel::Refresh);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

        std::thread worker([&queue] {
            std::vector<std::uint64_t> ids;
            for (int i = 0; i < 40; ++i) ids.push_back(queue.Add(FileJob("f" + std::to_string(i))));
            for (int i = 0; i < 10; ++i) {
                const std::optional<TransferJob> job = queue.TakeNext();
                for (std::int64_t done = 0; done <= 1000; done += 100)
                    queue.ReportProgress(job->id, done, 1000, 50, 1);
                queue.Finish(job->id, i % 2 ? JobState::Verified : JobState::Done, "");
            }
            for (int i = 20; i < 25; ++i) queue.Remove(ids[static_cast<std::size_t>(i)]);
            const std::optional<TransferJob> running = queue.TakeNext();
            queue.ReportProgress(running->id, 300, 1000, 10, 70);
        });
        worker.join();

        const std::vector<TransferJob> jobs = queue.Jobs();
        QCOMPARE(jobs.size(), std::size_t(35));
        QTRY_COMPARE(model.rowCount(), 35);
        QTRY_COMPARE(Cell(model, 10, TransferQueueModel::kProgress), QStringLiteral("30%"));
        for (int row = 0; row < model.rowCount(); ++row) {
            QCOMPARE(model.JobAt(row)->id, jobs[static_cast<std::size_t>(row)].id);
            QCOMPARE(model.JobAt(row)->state, jobs[static_cast<std::size_t>(row)].state);
        }
        QCOMPARE(Cell(model, 1, TransferQueueModel::kState), QStringLiteral("Verified"));
        QCOMPARE(Cell(model, 10, TransferQueueModel::kTimeLeft), QStringLiteral("1:10"));
        QCOMPARE(resets.count(), 0);

        // A later removal on this thread reaches the rows as a removal.
        queue.ClearFinished();
        QTRY_COMPARE(model.rowCount(), 25);
        QVERIFY(removed.count() >= 1);
        QCOMPARE(resets.count(), 0);
    }

    // Which commands each state of the one selected job enables, in the pane
    // as in the rules; Clear Finished follows the whole queue.
    void CommandsFollowTheSelectedState_data() {
        QTest::addColumn<JobState>("state");
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("queued") << JobState::Queued << QStringList{"Pause", "Cancel", "Remove"};
        QTest::newRow("running") << JobState::Running << QStringList{"Pause", "Cancel", "Remove"};
        QTest::newRow("paused") << JobState::Paused << QStringList{"Resume", "Cancel", "Remove"};
        QTest::newRow("failed") << JobState::Failed << QStringList{"Retry", "Remove"};
        QTest::newRow("done") << JobState::Done << QStringList{"Remove", "Clear Finished"};
        QTest::newRow("verified") << JobState::Verified << QStringList{"Remove", "Clear Finished"};
    }
    void CommandsFollowTheSelectedState() {
        QFETCH(JobState, state);
        QFETCH(QStringList, enabled);
        TransferQueue queue;
        TransferQueueEvents events(queue);
        const std::uint64_t id = AddInState(queue, state);
        QVERIFY(id != 0);
        TransferQueuePane pane(queue, events);
        QStringList before;
        for (QueueCommand command : kQueueCommands) {
            if (pane.Action(command)->isEnabled()) before << pane.Action(command)->text();
            QCOMPARE(QueueCommandApplies(command, state), enabled.contains(QueueCommandText(command)));
        }
        // Nothing selected: only Clear Finished may be offered.
        QCOMPARE(before, IsFinished(state) ? QStringList{"Clear Finished"} : QStringList{});

        pane.View()->selectionModel()->select(pane.Model()->index(0, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QStringList after;
        for (QueueCommand command : kQueueCommands) {
            if (pane.Action(command)->isEnabled()) after << pane.Action(command)->text();
        }
        QCOMPARE(after, enabled);
        std::unique_ptr<QMenu> menu(pane.BuildContextMenu());
        QStringList menuEnabled;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isEnabled()) menuEnabled << action->text();
        }
        QCOMPARE(menuEnabled, enabled);
    }

    // The commands act on every selected job they apply to; the buttons are
    // in the Tab order and named by their texts.
    void CommandsActOnTheSelection() {
        TransferQueue queue;
        TransferQueueEvents events(queue);
        // Those that run first, while no other job waits.
        const std::uint64_t done = AddInState(queue, JobState::Done);
        const std::uint64_t failed = AddInState(queue, JobState::Failed);
        const std::uint64_t queued = AddInState(queue, JobState::Queued);
        const std::uint64_t paused = AddInState(queue, JobState::Paused);
        QVERIFY(done && failed && queued && paused);
        TransferQueuePane pane(queue, events);
        for (QToolButton* button : pane.findChildren<QToolButton*>()) {
            QVERIFY(button->focusPolicy() & Qt::TabFocus);
            QCOMPARE(button->accessibleName(), button->text());
        }
        pane.View()->selectAll();
        pane.Action(QueueCommand::Pause)->trigger();
        QCOMPARE(queue.Job(queued)->state, JobState::Paused);
        pane.Action(QueueCommand::Resume)->trigger();
        QCOMPARE(queue.Job(queued)->state, JobState::Queued);
        QCOMPARE(queue.Job(paused)->state, JobState::Queued);
        pane.Action(QueueCommand::Retry)->trigger();
        QCOMPARE(queue.Job(failed)->state, JobState::Queued);
        pane.Action(QueueCommand::Cancel)->trigger();
        QCOMPARE(queue.Job(failed)->failure, std::string("Cancelled"));
        QCOMPARE(queue.Job(done)->state, JobState::Done);
        pane.Action(QueueCommand::ClearFinished)->trigger();
        QVERIFY(!queue.Job(done));
        QCOMPARE(pane.Model()->rowCount(), 3);
        pane.View()->selectAll();
        pane.Action(QueueCommand::Remove)->trigger();
        QVERIFY(queue.Jobs().empty());
        QCOMPARE(pane.Model()->rowCount(), 0);

        // Remove takes a running job too (the queue keeps one until it is cancelled).
        const std::uint64_t running = AddInState(queue, JobState::Running);
        QVERIFY(running);
        pane.Model()->Refresh();
        pane.View()->selectAll();
        pane.Action(QueueCommand::Remove)->trigger();
        QVERIFY(!queue.Job(running));
    }

    // Changes are written once after a burst, progress alone writes nothing,
    // and what was written loads again; an unreadable file is kept aside.
    void SavedQueueWritesAfterChangesAndKeepsBadFiles() {
        QTemporaryDir directory;
        const QString path = directory.filePath("data/queue");
        TransferQueue queue;
        QStringList reports;
        SavedQueue saved(queue, path,
                         [&reports](const std::string& line) { reports << QString::fromStdString(line); });
        QVERIFY(saved.Load());  // nothing saved yet: an empty queue
        const std::uint64_t first = queue.Add(FileJob("a.bin"));
        queue.Add(FileJob("b.bin", TransferDirection::Upload));
        saved.QueueChanged();
        saved.QueueChanged();
        QVERIFY(saved.SavePending());
        QTRY_VERIFY(QFile::exists(path));
        QVERIFY(!saved.SavePending());
        queue.TakeNext();
        queue.ReportProgress(first, 10, 100, 5, 18);
        queue.Pause(first);
        saved.QueueChanged();
        QVERIFY(saved.SavePending());
        QTRY_VERIFY(!saved.SavePending());
        queue.Resume(first);
        queue.Pause(first);
        saved.QueueChanged();  // the same states as written
        QVERIFY(!saved.SavePending());

        TransferQueue again;
        SavedQueue reloaded(again, path, {});
        QVERIFY(reloaded.Load());
        QCOMPARE(again.Jobs().size(), std::size_t(2));
        QCOMPARE(again.Jobs()[0].state, JobState::Paused);
        QCOMPARE(again.Jobs()[1].direction, TransferDirection::Upload);

        // Two unreadable queues in a row (within one second): both are kept.
        for (const QByteArray& text : {QByteArray("not a queue\n"), QByteArray("nor this\n")}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();
            TransferQueue broken;
            SavedQueue unreadable(broken, path, [&reports](const std::string& line) {
                reports << QString::fromStdString(line);
            });
            QVERIFY(!unreadable.Load());
            QVERIFY(broken.Jobs().empty());
            QVERIFY(!QFile::exists(path));
        }
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports[0].startsWith("The transfer queue could not be read: "));
        QStringList kept;
        for (const QFileInfo& aside :
             QDir(directory.filePath("data")).entryInfoList({"queue.unreadable-*"})) {
            QFile file(aside.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            kept << QString::fromUtf8(file.readAll());
            QVERIFY2(reports.join('\n').contains(aside.fileName()), qPrintable(reports.join('\n')));
        }
        kept.sort();
        QCOMPARE(kept, QStringList({"nor this\n", "not a queue\n"}));
    }
};

QTEST_MAIN(QueuePaneTest)
#include "queue_pane_test.moc"
