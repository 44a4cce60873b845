#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

// True once the process has installed its own SIGTERM handler (Linux /proc).
bool CatchesSigterm(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:")) continue;
        bool ok = false;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
        return ok && (mask & (1ULL << (SIGTERM - 1)));
    }
    return false;
}

}  // namespace

class TestProgramSmoke : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;

    void Start(QProcess& program) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("XDG_DATA_HOME", config.path() + "/data");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(QUILLMOOR_PROGRAM), {});
        QVERIFY(program.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(CatchesSigterm(program.processId()), 20000);
    }

    void ExpectCleanExit(QProcess& program) {
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

private slots:
    // Two instances at once, one ended by SIGTERM and one by SIGINT: both save,
    // and the store stays whole.
    void SignalsEndTheProgramLikeExit() {
        QProcess first, second;
        Start(first);
        Start(second);
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        ::kill(static_cast<pid_t>(second.processId()), SIGINT);
        ExpectCleanExit(first);
        ExpectCleanExit(second);

        QSettings store(config.path() + "/Corvane/Quillmoor.ini", QSettings::IniFormat);
        QCOMPARE(store.status(), QSettings::NoError);
        QCOMPARE(store.allKeys().size(), 27);
        QCOMPARE(store.value("WndProperties/Right").toInt(), 530);
        QCOMPARE(store.value("ProgramOptions/Port").toInt(), 21);
        // The (empty) transfer queue is saved in the program's data directory.
        QVERIFY(QFile::exists(config.path() + "/data/Corvane/Quillmoor/queue"));
    }
};

QTEST_GUILESS_MAIN(TestProgramSmoke)
#include "test_program_smoke.moc"
