// The catalogue's last write at exit on a full disk and in a read-only folder,
// each mounted in a private mount namespace of this test alone.
#include <sched.h>
#include <sys/mount.h>

#include <QApplication>
#include <QFile>
#include <QtTest>
#include <fstream>

#include "app/application.h"
#include "app/main_window.h"
#include "browser/profile_connection.h"
#include "options/isolated_config.h"
#include "platform/desktop/file_dialog_seam.h"
#include "platform/desktop/message_seam.h"
#include "sites/site_tree.h"

namespace {

bool privateMounts = false;

// Needs a process of one thread: called first thing in main.
bool EnterPrivateMountNamespace() {
    const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << uid << ' ' << uid << " 1";
        std::ofstream("/proc/self/gid_map") << gid << ' ' << gid << " 1";
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

QByteArray Catalogue() { return QByteArrayLiteral("[a]\r\nHOST=a.example\r\nGROUP=G\r\n\r\n"); }

// A catalogue folder on a mount of its own, and the program over it.
struct Run {
    IsolatedConfig config;
    QString folder = config.Path() + QStringLiteral("/Corvane");
    QString file = folder + QStringLiteral("/Wexal.INI");
    QList<MessageRequest> asked;
    MessageAnswer atExit = MessageAnswer::TryAgain;  // the answer to the question at exit
    std::function<void()> beforeAnswer = [] {};

    explicit Run(const char* options) {
        QDir().mkpath(folder);
        QVERIFY(::mount("tmpfs", QFile::encodeName(folder), "tmpfs", 0, options) == 0);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(Catalogue()) > 0);
        SetMessageResponder([this](const MessageRequest& request) {
            asked.append(request);
            beforeAnswer();
            return request.buttons == MessageButtons::UnsavedCatalogue ? atExit : MessageAnswer::Ok;
        });
    }
    ~Run() {
        SetMessageResponder({});
        SetFileDialogResponder({});
        while (::umount2(QFile::encodeName(folder), MNT_DETACH) == 0) {}  // the read-only bind, then the tmpfs
    }
    static SiteTree& Tree(Application& app) { return *qobject_cast<SiteTree*>(app.Window()->SiteTreePane()); }
    void FillDisk() {
        QFile filler(folder + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {}
    }
    int AskedAtExit() const {
        return static_cast<int>(std::count_if(asked.begin(), asked.end(), [](const MessageRequest& request) {
            return request.buttons == MessageButtons::UnsavedCatalogue;
        }));
    }
    void MakeReadOnly() {
        const QByteArray path = QFile::encodeName(folder);
        QVERIFY(::mount(path, path, nullptr, MS_BIND, nullptr) == 0);
        QVERIFY(::mount(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0);
    }
};

QByteArray ReadAll(const QString& path) {
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

}  // namespace

class TestCatalogueExitSave : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!privateMounts) QSKIP("no private mount namespace here (unshare refused)");
    }

    void FullDiskAsksAndTryAgainSavesOnceThereIsRoom() {
        Run run("size=64k");
        Application app;
        QVERIFY(app.Start());
        run.FillDisk();
        Run::Tree(app).Catalogue().AddGroup(QStringLiteral("New Group"));
        run.beforeAnswer = [&run] { QFile::remove(run.folder + QStringLiteral("/filler")); };
        app.Shutdown();
        QCOMPARE(run.asked.size(), 1);
        QCOMPARE(run.asked[0].buttons, MessageButtons::UnsavedCatalogue);
        QVERIFY2(run.asked[0].text.contains(run.file), qPrintable(run.asked[0].text));
        QVERIFY(ReadAll(run.file).contains("GROUP=New Group"));
        QVERIFY(!app.CatalogueLost());
    }

    void ReadOnlyFolderSaysSoOnceWhileRunningAndSaveAsWritesElsewhere() {
        Run run("size=1m");
        const QString elsewhere = run.config.Path() + QStringLiteral("/copy.INI");
        SetFileDialogResponder([&](const FileDialogRequest& request) {
            return request.kind == FileDialogKind::SaveFile ? QStringList{elsewhere} : QStringList{};
        });
        Application app;
        QVERIFY(app.Start());
        run.MakeReadOnly();
        for (const QString& group : {QStringLiteral("One"), QStringLiteral("Two")}) {
            Run::Tree(app).Catalogue().AddGroup(group);
            QTRY_VERIFY(!Run::Tree(app).CatalogueSavePending());
            QVERIFY(Run::Tree(app).CatalogueUnsaved());
        }
        QCOMPARE(run.asked.size(), 1);  // the second failure is not told again
        QVERIFY2(run.asked[0].text.contains(QStringLiteral("kept in memory")), qPrintable(run.asked[0].text));
        run.atExit = MessageAnswer::SaveAs;
        app.Shutdown();
        QCOMPARE(run.AskedAtExit(), 1);
        QCOMPARE(ReadAll(run.file), Catalogue());
        const QByteArray copy = ReadAll(elsewhere);
        QVERIFY(copy.contains("[a]") && copy.contains("GROUP=One") && copy.contains("GROUP=Two"));
        QVERIFY(!app.CatalogueLost());
    }

    void QuitWithoutSavingEndsWithAFailureStatus() {
        Run run("size=1m");
        Application app;
        run.atExit = MessageAnswer::QuitWithoutSaving;
        QTimer::singleShot(0, &app, [&] {
            run.MakeReadOnly();
            Run::Tree(app).Catalogue().AddGroup(QStringLiteral("Lost"));
            app.requestExit();
        });
        QCOMPARE(app.Run(), 1);
        QCOMPARE(run.AskedAtExit(), 1);
        QCOMPARE(ReadAll(run.file), Catalogue());
    }

    void AnUnknownEncryptionIsNeverConnected() {
        SiteProfile profile;
        profile.host = "a.example";
        profile.unknownEncryption = "SSH";
        ConnectionSettings connection;
        QCOMPARE(ProfileConnectionSettings(profile, AppSettings{}, connection), ProfileOutcome::UnknownEncryption);
    }
};

int main(int argc, char** argv) {
    privateMounts = EnterPrivateMountNamespace();
    QApplication app(argc, argv);
    TestCatalogueExitSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_catalogue_exit_save.moc"
