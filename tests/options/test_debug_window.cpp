#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "options/debug_window.h"

class TestDebugWindow : public QObject {
    Q_OBJECT

private slots:
    void FreshWindowShowsWelcomeAndOneEmptyLine() {
        DebugWindow window;
        QCOMPARE(window.Lines(), QStringList({"Welcome to Quillmoor v2.5", ""}));
        QVERIFY(window.isReadOnly());
        QVERIFY(window.font().fixedPitch());
        QCOMPARE(window.font().pointSize(), 12);
    }

    void AppendedTextBecomesLines_data() {
        QTest::addColumn<QStringList>("appended");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("one line") << QStringList{"Quillmoor: USER anonymous"}
                                  << QStringList{"Quillmoor: USER anonymous"};
        QTest::newRow("empty string adds one empty line") << QStringList{""} << QStringList{""};
        QTest::newRow("text ending in CR LF leaves an empty line")
            << QStringList{"220 ready\r\n", "next"} << QStringList{"220 ready", "", "next"};
        QTest::newRow("order kept") << QStringList{"a", "b", "c"} << QStringList{"a", "b", "c"};
    }

    void AppendedTextBecomesLines() {
        QFETCH(QStringList, appended);
        QFETCH(QStringList, shown);
        DebugWindow window;
        for (const QString& text : appended) window.AppendLine(text.toStdString());
        QCOMPARE(window.Lines(), QStringList({"Welcome to Quillmoor v2.5", ""}) + shown);
    }

    void LinesGoToTheEndWhateverTheSelection() {
        DebugWindow window;
        window.AppendLine(std::string("first"));
        window.Flush();
        QTextCursor cursor = window.textCursor();
        cursor.setPosition(0);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        window.setTextCursor(cursor);
        QCOMPARE(window.textCursor().selectedText(), QStringLiteral("Welcome to Quillmoor v2.5"));

        window.AppendLine(std::string("second"));
        QCOMPARE(window.Lines().last(), QStringLiteral("second"));
        QCOMPARE(window.Lines().first(), QStringLiteral("Welcome to Quillmoor v2.5"));
        QCOMPARE(window.textCursor().selectedText(), QStringLiteral("Welcome to Quillmoor v2.5"));
    }

    void NewestLineStaysInView() {
        DebugWindow window;
        window.resize(400, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Shorter than the pane: nothing to scroll.
        QCOMPARE(window.verticalScrollBar()->value(), 0);
        for (int i = 0; i < 200; ++i) window.AppendLine(QStringLiteral("line %1").arg(i));
        window.Flush();
        QScrollBar* bar = window.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        // The user scrolls up; the next line brings the view back to the end.
        bar->setValue(0);
        window.AppendLine(QStringLiteral("latest"));
        window.Flush();
        QCOMPARE(bar->value(), bar->maximum());
        const QTextBlock last = window.document()->lastBlock();
        QCOMPARE(last.text(), QStringLiteral("latest"));
        QVERIFY(window.cursorRect(QTextCursor(last)).bottom() <= window.viewport()->height());
    }

    // A flood of lines arrives in idle-step batches; each batch must stay cheap
    // even when the log is already long.
    void MillionLinesStayResponsive() {
        DebugWindow window;
        window.resize(600, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        constexpr int kBatches = 100;
        constexpr int kBatchSize = 10000;
        QElapsedTimer total;
        total.start();
        qint64 slowestBatch = 0;
        for (int batch = 0; batch < kBatches; ++batch) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < kBatchSize; ++i) {
                window.AppendLine(QStringLiteral("Quillmoor: RETR file-%1.txt").arg(batch * kBatchSize + i));
            }
            window.Flush();
            QCoreApplication::processEvents();
            slowestBatch = std::max(slowestBatch, timer.elapsed());
        }
        qInfo("1,000,000 lines: %lld ms in all, slowest batch of %d lines %lld ms", total.elapsed(),
              kBatchSize, slowestBatch);
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:")) qInfo("%s", line.simplified().constData());
            }
        }
        QCOMPARE(window.document()->blockCount(), 2 + kBatches * kBatchSize);
        QCOMPARE(window.document()->lastBlock().text(), QStringLiteral("Quillmoor: RETR file-999999.txt"));
        QCOMPARE(window.verticalScrollBar()->value(), window.verticalScrollBar()->maximum());
        QVERIFY2(slowestBatch < 2000, "a batch of log lines blocked the user interface too long");
    }
};

QTEST_MAIN(TestDebugWindow)
#include "test_debug_window.moc"
