// Where site passwords go at start-up when a keyring is there: the one-time
// question, what each answer does to the catalogue file, and that the answer
// is remembered.
#include <QTemporaryDir>
#include <QtTest>

#include "app/keyring_passwords.h"
#include "options/app_settings.h"
#include "platform/desktop/message_seam.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"
#include "support/temp_dir.h"

namespace {

const QString kQuestion = QStringLiteral("Move the saved passwords into the desktop keyring?");

// Answers every question with the given answer and counts them.
struct Answers {
    QStringList asked;
    explicit Answers(MessageAnswer answer) {
        SetMessageResponder([this, answer](const MessageRequest& request) {
            asked << request.text;
            return answer;
        });
    }
    ~Answers() { SetMessageResponder({}); }
};

// A catalogue file with one site, its password in the file or not.
struct Catalogue {
    testsupport::TempDir dir{"quillmoor-keyring"};
    std::string path = (dir / "Wexal.INI").string();

    explicit Catalogue(const std::string& password) {
        dir.WriteFile("Wexal.INI", "[Files]\r\nHOST=127.0.0.1\r\nUID=owner\r\nPASSWORD=" + password +
                                       "\r\nSAVPWD=TRUE\r\nGROUP=Work\r\n\r\n");
    }
    std::string Text() const { return testsupport::TempDir::ReadFile(path); }
};

// Start-up as the program runs it: keyring chosen, catalogue loaded, settled.
SiteCatalogue StartUp(SiteStore& store, PasswordVault* keyring, AppSettings& settings) {
    UseKeyringUnlessDeclined(store, keyring, settings);
    SiteCatalogue loaded;
    store.LoadCatalogue(loaded);
    SettleKeyringPasswords(store, settings, nullptr, [&] { return store.SaveCatalogue(loaded).saved; });
    return loaded;
}

}  // namespace

class TestKeyringPasswords : public QObject {
    Q_OBJECT

private slots:
    void YesMovesThePasswordsOnceAndForAll() {
        Catalogue file("s3cret");
        InMemoryPasswordVault keyring;
        AppSettings settings;
        SiteStore store(file.path);
        Answers answers(MessageAnswer::Yes);
        StartUp(store, &keyring, settings);
        QCOMPARE(answers.asked, QStringList{kQuestion});
        QCOMPARE(settings.passwordsInKeyring, 1);
        QVERIFY(file.Text().find("PASSWORD") == std::string::npos);
        QCOMPARE(keyring.Entries().at("Work/Files"), std::string("s3cret"));

        // The next start asks nothing and finds the password in the keyring.
        SiteStore next(file.path);
        SiteCatalogue loaded = StartUp(next, &keyring, settings);
        QCOMPARE(answers.asked.size(), 1);
        QCOMPARE(loaded.groups.at(0).sites.at(0).password, std::string("s3cret"));
    }

    void NoKeepsThemInTheCatalogueAndIsNotAskedAgain() {
        Catalogue file("s3cret");
        InMemoryPasswordVault keyring;
        AppSettings settings;
        Answers answers(MessageAnswer::No);
        for (int start = 0; start < 2; ++start) {
            SiteStore store(file.path);
            SiteCatalogue loaded = StartUp(store, &keyring, settings);
            QVERIFY(!store.UsesPasswordVault());
            QVERIFY(store.SaveCatalogue(loaded));
        }
        QCOMPARE(answers.asked, QStringList{kQuestion});
        QCOMPARE(settings.passwordsInKeyring, 0);
        QVERIFY(file.Text().find("PASSWORD=s3cret") != std::string::npos);
        QVERIFY(keyring.Entries().empty());
    }

    void ACatalogueWithoutPasswordsTakesTheKeyringSilently() {
        Catalogue file("");
        InMemoryPasswordVault keyring;
        AppSettings settings;
        SiteStore store(file.path);
        Answers answers(MessageAnswer::No);
        SiteCatalogue loaded = StartUp(store, &keyring, settings);
        QVERIFY(answers.asked.isEmpty());
        QCOMPARE(settings.passwordsInKeyring, 1);
        // A password typed later goes to the keyring, not the file.
        loaded.groups[0].sites[0].password = "typed";
        QVERIFY(store.SaveCatalogue(loaded));
        QVERIFY(file.Text().find("typed") == std::string::npos);
        QCOMPARE(keyring.Entries().at("Work/Files"), std::string("typed"));
    }

    void WithoutAKeyringNothingChanges() {
        Catalogue file("s3cret");
        AppSettings settings;
        SiteStore store(file.path);
        Answers answers(MessageAnswer::Yes);
        SiteCatalogue loaded = StartUp(store, nullptr, settings);
        QVERIFY(answers.asked.isEmpty());
        QCOMPARE(settings.passwordsInKeyring, -1);  // asked once a keyring is there
        QVERIFY(store.SaveCatalogue(loaded));
        QVERIFY(file.Text().find("PASSWORD=s3cret") != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestKeyringPasswords)
#include "test_keyring_passwords.moc"
