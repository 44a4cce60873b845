#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>
#include <memory>

#include "options/app_settings_store.h"
#include "options/isolated_config.h"

namespace {

std::unique_ptr<QSettings> OpenStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                                       QStringLiteral("Quillmoor"));
}

}  // namespace

class TestAppSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void EmptyStoreGivesDefaults() {
        IsolatedConfig config;
        const AppSettings loaded = AppSettingsStore().Load();
        QCOMPARE(loaded.port, 21);
        QCOMPARE(loaded.receiveBytes, 1024);
        QCOMPARE(loaded.sendBytes, 512);
        QCOMPARE(loaded.retry, 60);
        QCOMPARE(loaded.transferMode, int('F'));
        QCOMPARE(loaded.defaultView, 0);
        QCOMPARE(loaded.passiveMode, 1);
        QCOMPARE(loaded.keepModificationTimes, 1);
        QCOMPARE(QRect(QPoint(loaded.left, loaded.top), QPoint(loaded.right, loaded.bottom)),
                 QRect(QPoint(0, 0), QPoint(530, 530)));
        QString temp = QDir::tempPath();
        if (!temp.endsWith('/')) temp += '/';
        QCOMPARE(QString::fromStdString(loaded.defaultDownloadDirectory), temp);
        // Loading alone writes nothing.
        QVERIFY(!QFile::exists(config.SettingsFile()));
    }

    void SaveWritesEveryValueInItsSectionWithItsType() {
        IsolatedConfig config;
        AppSettings settings;
        settings.email = "someone@example.org";
        settings.fireHost = "proxy.example.org";
        settings.firePort = 99999;
        settings.left = -20;
        QVERIFY(AppSettingsStore().Save(settings));

        auto store = OpenStore();
        const QStringList expected[] = {
            {"Port", "Receive Bytes", "Send Bytes", "Retry", "e-mail", "Default View", "Fire Wall On",
             "Fire Mode", "Fire Port", "Fire Host", "Fire User ID", "Fire Password", "Passwords In Keyring"},
            {"Transfer Mode", "Save On Double-Click", "View On Double-Click", "Default Download Directory",
             "Passive Mode", "Keep Modification Times", "Queue Connections"},
            {"Left", "Right", "Top", "Bottom"},
            {"Most Entries", "Most Megabytes", "Time Limit"}};
        const char* sections[] = {"ProgramOptions", "TransOptions", "WndProperties", "Listings"};
        int total = 0;
        for (int i = 0; i < 4; ++i) {
            store->beginGroup(sections[i]);
            QStringList keys = store->childKeys();
            keys.sort();
            QStringList wanted = expected[i];
            wanted.sort();
            QCOMPARE(keys, wanted);
            total += keys.size();
            store->endGroup();
        }
        QCOMPARE(total, 27);

        // Integers are written as plain numbers, text as text.
        QFile file(config.SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("\\nTransfer%20Mode=70\\n"))));
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("\\nLeft=-20\\n"))));
        QVERIFY(text.contains(QStringLiteral("e-mail=someone@example.org")));
    }

    void StoredValuesRoundTrip_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("loadedAs");
        QTest::newRow("empty download directory stays empty")
            << "TransOptions/Default Download Directory" << QVariant(QString()) << "";
        QTest::newRow("prompt mode P") << "TransOptions/Transfer Mode" << QVariant(80) << "80";
        QTest::newRow("literal mode L") << "TransOptions/Transfer Mode" << QVariant(76) << "76";
        QTest::newRow("text with commas") << "ProgramOptions/e-mail" << QVariant("a,b@c") << "a,b@c";
        QTest::newRow("non-numeric integer gives the default")
            << "ProgramOptions/Port" << QVariant("abc") << "21";
        QTest::newRow("negative window edge") << "WndProperties/Left" << QVariant(-1200) << "-1200";
        QTest::newRow("active data connections") << "TransOptions/Passive Mode" << QVariant(0) << "0";
        QTest::newRow("local modification times")
            << "TransOptions/Keep Modification Times" << QVariant(0) << "0";
        QTest::newRow("queue connections") << "TransOptions/Queue Connections" << QVariant(5) << "5";
        QTest::newRow("listing time limit") << "Listings/Time Limit" << QVariant(30) << "30";
        QTest::newRow("empty e-mail") << "ProgramOptions/e-mail" << QVariant(QString("")) << "";
        QTest::newRow("passwords kept in the catalogue")
            << "ProgramOptions/Passwords In Keyring" << QVariant(0) << "0";
    }

    void StoredValuesRoundTrip() {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, loadedAs);
        IsolatedConfig config;
        { OpenStore()->setValue(key, stored); }
        AppSettingsStore first;
        const AppSettings loaded = first.Load();
        QCOMPARE(ValueOf(loaded, key), loadedAs);

        // Saved and loaded again, the value is unchanged.
        QVERIFY(first.Save(loaded));
        const AppSettings reloaded = AppSettingsStore().Load();
        QCOMPARE(ValueOf(reloaded, key), loadedAs);
    }

    // The file holds the firewall password: private to its owner, whether
    // Save creates it or finds it readable by others.
    void SettingsFileIsPrivate() {
        IsolatedConfig config;
        AppSettings settings;
        settings.firePassword = "secret";
        for (bool existing : {false, true}) {
            const QByteArray file = QFile::encodeName(config.SettingsFile());
            if (existing) QCOMPARE(::chmod(file.constData(), 0644), 0);
            QVERIFY(AppSettingsStore().Save(settings));
            struct stat info {};
            QCOMPARE(::stat(file.constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0600u);
        }
    }

    // A FIFO where the settings file should be is refused at once (reading it
    // would wait for a writer for ever): defaults, nothing saved, a reason.
    void FifoAsSettingsFileIsRefused() {
        IsolatedConfig config;
        QVERIFY(QDir().mkpath(config.Path() + "/Corvane"));
        QCOMPARE(::mkfifo(QFile::encodeName(config.SettingsFile()).constData(), 0600), 0);
        AppSettingsStore store;
        QVERIFY(store.Problem().contains("is a FIFO, not a regular file"));
        QCOMPARE(store.Load().port, 21);
        QVERIFY(!store.Save(AppSettings{}));
    }

private:
    static QString ValueOf(const AppSettings& settings, const QString& key) {
        if (key.endsWith("Download Directory"))
            return QString::fromStdString(settings.defaultDownloadDirectory);
        if (key.endsWith("Transfer Mode")) return QString::number(settings.transferMode);
        if (key.endsWith("e-mail")) return QString::fromStdString(settings.email);
        if (key.endsWith("Port")) return QString::number(settings.port);
        if (key.endsWith("Passive Mode")) return QString::number(settings.passiveMode);
        if (key.endsWith("Modification Times")) return QString::number(settings.keepModificationTimes);
        if (key.endsWith("Queue Connections")) return QString::number(settings.queueConnections);
        if (key.endsWith("Time Limit")) return QString::number(settings.listingTimeLimit);
        if (key.endsWith("Left")) return QString::number(settings.left);
        if (key.endsWith("In Keyring")) return QString::number(settings.passwordsInKeyring);
        return QString();
    }
};

QTEST_GUILESS_MAIN(TestAppSettingsStore)
#include "test_app_settings_store.moc"
