// The question about an existing target as the browser asks it, and the
// batch policy that remembers an answer for the rest of a batch.
#include <QDateTime>
#include <QFile>
#include <QTest>

#include "browser/batch_overwrite_policy.h"
#include "browser_test_main.h"
#include "platform/desktop/message_seam.h"

Q_DECLARE_METATYPE(std::optional<ExistingFileChoice>)

namespace {

// Answers the seam with a fixed reply and records each request.
struct Answering {
    QList<MessageRequest> requests;
    explicit Answering(MessageReply reply) {
        SetMessageResponder([this, reply](const MessageRequest& request) {
            requests << request;
            return reply;
        });
    }
    ~Answering() { SetMessageResponder({}); }
};

const ExistingFileFacts kDownload{
    "/home/u/a.txt", false, {"3 bytes", "2026-12-01 10:00"}, {"1K", "Dec 01 09:00"}};

}  // namespace

class ExistingFileQuestionTest : public QObject {
    Q_OBJECT

private slots:
    void EachAnswerIsItsChoice_data() {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<std::optional<ExistingFileChoice>>("choice");
        QTest::addColumn<bool>("applyToAll");
        QTest::newRow("overwrite") << MessageAnswer::Overwrite << false
                                   << std::optional(ExistingFileChoice::Overwrite) << false;
        QTest::newRow("if newer, all") << MessageAnswer::OverwriteIfNewer << true
                                       << std::optional(ExistingFileChoice::OverwriteIfNewer) << true;
        QTest::newRow("resume") << MessageAnswer::Resume << false << std::optional(ExistingFileChoice::Resume)
                                << false;
        QTest::newRow("rename, all") << MessageAnswer::Rename << true
                                     << std::optional(ExistingFileChoice::Rename) << true;
        QTest::newRow("skip") << MessageAnswer::Skip << false << std::optional(ExistingFileChoice::Skip)
                              << false;
        // Cancel ends the batch whatever the check box says.
        QTest::newRow("cancel") << MessageAnswer::Cancel << true << std::optional<ExistingFileChoice>()
                                << false;
        // An answer the question does not offer replaces nothing.
        QTest::newRow("stray yes") << MessageAnswer::Yes << false << std::optional<ExistingFileChoice>()
                                   << false;
    }
    void EachAnswerIsItsChoice() {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, ticked);
        QFETCH(std::optional<ExistingFileChoice>, choice);
        QFETCH(bool, applyToAll);
        Answering seam({answer, ticked});
        const ExistingFileAnswer given = AskAboutExistingFile(nullptr, kDownload);
        QCOMPARE(given.choice, choice);
        QCOMPARE(given.applyToAll, applyToAll);
        QCOMPARE(seam.requests.size(), 1);
        const MessageRequest& request = seam.requests[0];
        QCOMPARE(request.text, QStringLiteral("File /home/u/a.txt already exists."));
        QCOMPARE(request.details, QStringLiteral("Existing file: 3 bytes, modified 2026-12-01 10:00\n"
                                                 "New file: 1K, modified Dec 01 09:00"));
        QCOMPARE(request.buttons, MessageButtons::ExistingFile);
        QCOMPARE(request.icon, MessageIcon::Question);
        QCOMPARE(request.checkBox, QStringLiteral("&Apply to all in this batch"));
    }

    void AnUploadNamesTheServerAndWhatIsUnknown() {
        Answering seam(MessageAnswer::Skip);
        AskAboutExistingFile(nullptr, {"notes.txt", true, {}, {"9 bytes", {}}});
        QCOMPARE(seam.requests.value(0).text, QStringLiteral("File notes.txt already exists on the server."));
        QCOMPARE(seam.requests.value(0).details,
                 QStringLiteral("Existing file: size and date unknown\nNew file: 9 bytes"));
    }

    // A folder's choice is taken for each of its files found there too.
    void AFolderSaysWhatTheChoiceIsFor() {
        Answering seam(MessageAnswer::Skip);
        ExistingFileFacts upload{"pics", true, {}, {}};
        upload.folder = true;
        ExistingFileFacts download{"/home/u/pics", false, {}, {}};
        download.folder = true;
        QCOMPARE(AskAboutExistingFile(nullptr, upload).choice, std::optional(ExistingFileChoice::Skip));
        AskAboutExistingFile(nullptr, download);
        QCOMPARE(seam.requests.value(0).text, QStringLiteral("Folder pics already exists on the server."));
        QCOMPARE(seam.requests.value(0).details,
                 QStringLiteral("The choice is taken for each of its files that is there too; the others "
                                "are sent as they are."));
        QCOMPARE(seam.requests.value(1).text, QStringLiteral("Folder /home/u/pics already exists."));
        QVERIFY(seam.requests.value(1).details.endsWith(QStringLiteral("brought as they are.")));
        QCOMPARE(seam.requests.value(1).buttons, MessageButtons::ExistingFile);
    }

    void LocalSideShowsBytesAndTime() {
        QTemporaryDir dir;
        QFile file(dir.filePath("f"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(12345, 'x'));
        file.flush();  // a later write would set the time again
        const QDateTime when(QDate(2026, 3, 4), QTime(5, 6));
        QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
        file.close();
        const ExistingFileSide side = LocalFileSide(dir.filePath("f"));
        QCOMPARE(side.size, QStringLiteral("12,345 bytes"));
        QCOMPARE(side.modified, QStringLiteral("2026-03-04 05:06"));
        QVERIFY(LocalFileSide(dir.filePath("missing")).size.isEmpty());
    }

    // One answer for the rest of the batch: asked once, then remembered;
    // without the tick every file is asked about; Cancel ends the batch.
    void PolicyRemembersOnlyWhatAppliesToAll() {
        QList<ExistingFileAnswer> answers{{ExistingFileChoice::Skip, false},
                                          {ExistingFileChoice::Rename, true},
                                          {ExistingFileChoice::Overwrite, false}};
        int asked = 0;
        BatchOverwritePolicy policy([&](const ExistingFileFacts&) { return answers.value(asked++); });
        QCOMPARE(policy.ChoiceFor(kDownload), std::optional(ExistingFileChoice::Skip));
        QCOMPARE(policy.ChoiceFor(kDownload), std::optional(ExistingFileChoice::Rename));
        QCOMPARE(policy.ChoiceFor(kDownload), std::optional(ExistingFileChoice::Rename));
        QCOMPARE(asked, 2);
        QVERIFY(!policy.Cancelled());

        int cancelAsked = 0;
        BatchOverwritePolicy cancelling([&](const ExistingFileFacts&) {
            ++cancelAsked;
            return ExistingFileAnswer{};
        });
        QCOMPARE(cancelling.ChoiceFor(kDownload), std::optional<ExistingFileChoice>());
        QCOMPARE(cancelling.ChoiceFor(kDownload), std::optional<ExistingFileChoice>());
        QCOMPARE(cancelAsked, 1);
        QVERIFY(cancelling.Cancelled());
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(ExistingFileQuestionTest)
#include "existing_file_question_test.moc"
