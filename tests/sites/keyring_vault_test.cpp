// The desktop keyring for real: a GNOME keyring in a session bus of its own
// (tests/support/with_keyring.sh). What the desktop program stores through
// QtKeychain, the command-line client reads through secret-tool; the
// catalogue saved with the keyring holds no password and reads it back.
#include <unistd.h>

#include <QtTest>

#include "cli/secret_tool_vault.h"
#include "sites/keychain_password_vault.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"
#include "support/temp_dir.h"

class KeyringVaultTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Run without the wrapper this is a failure, never a skip.
        QVERIFY2(KeychainPasswordVault::KeyringOnSessionBus(),
                 "no Secret Service on the session bus: run through tests/support/with_keyring.sh");
    }

    void DesktopStoresAndTheCommandLineReads() {
        KeychainPasswordVault desktop;
        SecretToolPasswordVault cli;
        const std::string key = "Work/Files " + std::to_string(::getpid());
        const std::string password = "p\xC3\xA4ss word;\"'$";
        std::string error;
        QVERIFY2(desktop.Store(key, password, error), error.c_str());
        QCOMPARE(desktop.Read(key, error), std::optional<std::string>(password));
        QCOMPARE(cli.Read(key, error), std::optional<std::string>(password));

        QVERIFY2(desktop.Store(key, "changed", error), error.c_str());
        QCOMPARE(cli.Read(key, error), std::optional<std::string>("changed"));

        QVERIFY2(desktop.Remove(key, error), error.c_str());
        QCOMPARE(desktop.Read(key, error), std::optional<std::string>());
        QCOMPARE(error, std::string());  // nothing there is not a failure
        QCOMPARE(cli.Read(key, error), std::optional<std::string>());
    }

    void CatalogueKeepsItsPasswordsInTheKeyring() {
        testsupport::TempDir dir{"quillmoor-keyring-catalogue"};
        const std::string path = (dir / "Wexal.INI").string();
        KeychainPasswordVault keyring;
        SiteCatalogue catalogue;
        SiteProfile site;
        site.name = "Files";
        site.group = "Work";
        site.host = "127.0.0.1";
        site.password = "s3cret";
        site.savePassword = true;
        SiteStore::AddProfile(catalogue, site);
        {
            SiteStore store(path);
            store.SetPasswordVault(&keyring);
            QVERIFY(store.SaveCatalogue(catalogue));
        }
        QVERIFY(testsupport::TempDir::ReadFile(path).find("PASSWORD") == std::string::npos);

        SiteStore store(path);
        store.SetPasswordVault(&keyring);
        SiteCatalogue loaded;
        QCOMPARE(store.LoadCatalogue(loaded), CatalogueLoad::Loaded);
        QCOMPARE(loaded.groups.at(0).sites.at(0).password, std::string("s3cret"));
        std::string error;
        QCOMPARE(SecretToolPasswordVault().Read("Work/Files", error), std::optional<std::string>("s3cret"));
    }
};

QTEST_GUILESS_MAIN(KeyringVaultTest)
#include "keyring_vault_test.moc"
