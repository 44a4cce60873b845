// The five site dialogs: exchange of their fields, validation, the anonymous
// rule and icon selection.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "platform/desktop/icon_spec.h"
#include "platform/desktop/program_icons.h"
#include "sites/icon_selection_dialog.h"
#include "sites/new_group_dialog.h"
#include "sites/rename_dialog.h"
#include "sites/session_profile_dialog.h"
#include "sites/site_properties_dialog.h"
#include "sites_test_support.h"

namespace {

const QString kEmail = QStringLiteral("me@example.org");

QLineEdit* EditNamed(QWidget* dialog, const QString& accessibleName) {
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
        if (edit->accessibleName() == accessibleName) return edit;
    }
    return nullptr;
}

QComboBox* BoxNamed(QWidget* dialog, const QString& accessibleName) {
    for (QComboBox* box : dialog->findChildren<QComboBox*>()) {
        if (box->accessibleName() == accessibleName) return box;
    }
    return nullptr;
}

template <typename Widget>
Widget* WithText(QWidget* dialog, const QString& text) {
    for (Widget* widget : dialog->findChildren<Widget*>()) {
        if (widget->text() == text) return widget;
    }
    return nullptr;
}

// A Properties dialog whose Icon Selection dialog is answered by the test.
class ScriptedPropertiesDialog : public SitePropertiesDialog {
public:
    using SitePropertiesDialog::SitePropertiesDialog;
    std::function<int(IconSelectionDialog&)> answer;
    QString startedWith;

protected:
    int RunIconSelection(IconSelectionDialog& dialog) override {
        startedWith = dialog.fileName + QLatin1Char('|') + QString::number(dialog.selectedIconIndex);
        return answer(dialog);
    }
};

QListWidget* IconList(IconSelectionDialog& dialog) { return dialog.findChild<QListWidget*>(); }

}  // namespace

class SiteDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void sessionDialogShowsAnonymousProfileInClear() {
        SessionProfileDialog dialog(kEmail);
        dialog.userId = QStringLiteral("anonymous");
        dialog.anonymous = true;
        dialog.password = QStringLiteral("stored secret");
        dialog.host = QStringLiteral("ftp.example.org");
        dialog.helpText = QString::fromLatin1(kSiteConnectHelp);
        dialog.show();
        QLineEdit* password = EditNamed(&dialog, QStringLiteral("Password"));
        QVERIFY(password);
        QCOMPARE(password->text(), kEmail);
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        QCOMPARE(EditNamed(&dialog, QStringLiteral("User ID"))->text(), QStringLiteral("anonymous"));
        QVERIFY(WithText<QLabel>(&dialog, QString::fromLatin1(kSiteConnectHelp)));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Session Profile"));
    }

    void anonymousBoxFillsAndClearsBothFields() {
        SessionProfileDialog dialog(kEmail);
        dialog.userId = QStringLiteral("Anonymous");  // capital A: an ordinary user
        dialog.password = QStringLiteral("pw");
        dialog.show();
        QLineEdit* user = EditNamed(&dialog, QStringLiteral("User ID"));
        QLineEdit* password = EditNamed(&dialog, QStringLiteral("Password"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(password->text(), QStringLiteral("pw"));

        auto* box = WithText<QCheckBox>(&dialog, QStringLiteral("Anonymous &Login"));
        QVERIFY(box);
        box->click();
        QCOMPARE(user->text(), QStringLiteral("anonymous"));
        QCOMPARE(password->text(), kEmail);
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        box->click();
        QCOMPARE(user->text(), QString());
        QCOMPARE(password->text(), QString());
        QCOMPARE(password->echoMode(), QLineEdit::Password);
    }

    void connectNeedsAHostAndSingleLineFields() {
        MessageRecorder messages;
        SessionProfileDialog dialog(kEmail);
        dialog.savePassword = true;
        dialog.show();
        auto* connectButton = WithText<QPushButton>(&dialog, QStringLiteral("Connect"));
        QVERIFY(connectButton && connectButton->isDefault());
        connectButton->click();
        QCOMPARE(messages.texts, QStringList{QStringLiteral("You must provide a host name.")});
        QVERIFY(dialog.isVisible());

        EditNamed(&dialog, QStringLiteral("Host Name"))->setText(QStringLiteral("ftp.example.org"));
        EditNamed(&dialog, QStringLiteral("Password"))->setText(QStringLiteral("a\r\nDELE x"));
        connectButton->click();
        QCOMPARE(messages.texts.size(), 2);
        QVERIFY(messages.texts.last().contains(QStringLiteral("line break")));
        QVERIFY(dialog.isVisible());

        EditNamed(&dialog, QStringLiteral("Password"))->setText(QStringLiteral("pw"));
        EditNamed(&dialog, QStringLiteral("Initial Directory on the Remote Host"))
            ->setText(QStringLiteral("/pub"));
        connectButton->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.host, QStringLiteral("ftp.example.org"));
        QCOMPARE(dialog.remoteDir, QStringLiteral("/pub"));
        QVERIFY(dialog.savePassword);
    }

    void propertiesSaveButtonsAndCancel() {
        MessageRecorder messages;
        SitePropertiesDialog dialog(kEmail);
        dialog.show();
        WithText<QPushButton>(&dialog, QStringLiteral("Save/Connect"))->click();
        QCOMPARE(messages.texts, QStringList{QStringLiteral("You must provide a Profile Name.")});
        QCOMPARE(dialog.buttonCode, 1);
        QVERIFY(dialog.isVisible());

        EditNamed(&dialog, QStringLiteral("Profile Name"))->setText(QStringLiteral("Home"));
        EditNamed(&dialog, QStringLiteral("Host Name"))->setText(QStringLiteral("ftp.example.org"));
        WithText<QCheckBox>(&dialog, QStringLiteral("Prompt"))->click();
        WithText<QCheckBox>(&dialog, QStringLiteral("Use Firewall"))->click();
        auto* saveExit = WithText<QPushButton>(&dialog, QStringLiteral("Save/Exit"));
        QVERIFY(saveExit->isDefault());
        saveExit->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.buttonCode, 0);
        QCOMPARE(dialog.name, QStringLiteral("Home"));
        QVERIFY(dialog.prompt);
        QVERIFY(dialog.useFirewall);
        QVERIFY(!dialog.savePassword);

        SitePropertiesDialog cancelled(kEmail);
        cancelled.show();
        WithText<QPushButton>(&cancelled, QStringLiteral("Cancel"))->click();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QCOMPARE(cancelled.buttonCode, 2);
    }

    void propertiesRefuseWhatTheCatalogueCannotHold() {
        MessageRecorder messages;
        SitePropertiesDialog dialog(kEmail);
        dialog.name = QStringLiteral("Home");
        dialog.show();
        QLineEdit* user = EditNamed(&dialog, QStringLiteral("User ID"));
        user->setText(QStringLiteral("joe\nHOST=elsewhere"));
        WithText<QPushButton>(&dialog, QStringLiteral("Save/Exit"))->click();
        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(messages.texts.first(),
                 QStringLiteral("The field \"User ID\" cannot contain a line break."));
        QVERIFY(dialog.isVisible());
        user->setText(QString(400, QLatin1Char('u')));
        QCOMPARE(user->text().size(), 175);
    }

    void propertiesShowAnAnonymousProfile() {
        SitePropertiesDialog dialog(kEmail);
        dialog.anonymous = true;
        dialog.userId = QStringLiteral("anonymous");
        dialog.password = QStringLiteral("old");
        dialog.show();
        QCOMPARE(EditNamed(&dialog, QStringLiteral("Password"))->text(), kEmail);
        QCOMPARE(EditNamed(&dialog, QStringLiteral("Password"))->echoMode(), QLineEdit::Normal);
        // The name has the focus, so typing at once names the site.
        QCOMPARE(dialog.focusWidget(), EditNamed(&dialog, QStringLiteral("Profile Name")));
    }

    // The e-mail address the anonymous rule shows is not saved over the
    // stored password; a password the user typed is.
    void propertiesKeepAnAnonymousSitesStoredPassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("untouched") << QString() << QStringLiteral("old");
        QTest::newRow("typed") << QStringLiteral("new@example.org") << QStringLiteral("new@example.org");
    }
    void propertiesKeepAnAnonymousSitesStoredPassword() {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        SitePropertiesDialog dialog(kEmail);
        dialog.name = QStringLiteral("Mirror");
        dialog.anonymous = true;
        dialog.userId = QStringLiteral("anonymous");
        dialog.password = QStringLiteral("old");
        dialog.show();
        if (!typed.isEmpty()) {
            QLineEdit* password = EditNamed(&dialog, QStringLiteral("Password"));
            password->selectAll();
            QTest::keyClicks(password, typed);
        }
        WithText<QPushButton>(&dialog, QStringLiteral("Save/Exit"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.password, saved);
    }

    // The data connection box shows the site's choice; the label's mnemonic
    // reaches it, the arrow keys change it and saving reads it back.
    void propertiesExchangeTheDataConnectionChoice() {
        const std::optional<DataMode> choices[] = {std::nullopt, DataMode::Passive, DataMode::Active};
        const QStringList texts = {"Program default", "Passive", "Active"};
        for (int index = 0; index < 3; ++index) {
            SitePropertiesDialog dialog(kEmail);
            dialog.name = QStringLiteral("Home");
            dialog.dataMode = choices[index];
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* box = BoxNamed(&dialog, QStringLiteral("Data connection"));
            QVERIFY(box);
            QCOMPARE(box->currentText(), texts[index]);

            QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);
            QCOMPARE(dialog.focusWidget(), box);
            const int next = (index + 1) % 3;
            QTest::keyClick(box, next == 0 ? Qt::Key_Home : Qt::Key_Down);
            QCOMPARE(box->currentText(), texts[next]);
            WithText<QPushButton>(&dialog, QStringLiteral("Save/Exit"))->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.dataMode, choices[next]);
        }
    }

    // The encryption box shows the site's choice and saving reads it back; a
    // stored certificate fingerprint goes through untouched.
    void propertiesExchangeTheEncryptionChoice() {
        const tls::Encryption choices[] = {tls::Encryption::RequireExplicit,
                                           tls::Encryption::ExplicitIfAvailable,
                                           tls::Encryption::RequireImplicit, tls::Encryption::Plain};
        const QStringList texts = {"Require explicit FTP over TLS", "Use explicit FTP over TLS if available",
                                   "Require implicit FTP over TLS", "Plain FTP (insecure)"};
        const QString fingerprint = QStringLiteral("SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
        for (int index = 0; index < 4; ++index) {
            SitePropertiesDialog dialog(kEmail);
            dialog.name = QStringLiteral("Home");
            dialog.encryption = choices[index];
            dialog.tlsFingerprint = fingerprint;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QComboBox* box = BoxNamed(&dialog, QStringLiteral("Encryption"));
            QVERIFY(box);
            QVERIFY(!box->toolTip().isEmpty());
            QCOMPARE(box->count(), 4);
            QCOMPARE(box->currentText(), texts[index]);

            QTest::keyClick(&dialog, Qt::Key_E, Qt::AltModifier);
            QCOMPARE(dialog.focusWidget(), box);
            const int next = (index + 1) % 4;
            QTest::keyClick(box, next == 0 ? Qt::Key_Home : Qt::Key_Down);
            QCOMPARE(box->currentText(), texts[next]);
            WithText<QPushButton>(&dialog, QStringLiteral("Save/Connect"))->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.encryption, choices[next]);
            QCOMPARE(dialog.tlsFingerprint, fingerprint);
        }
        SitePropertiesDialog fresh(kEmail);
        QCOMPARE(fresh.encryption, tls::Encryption::ExplicitIfAvailable);
    }

    // "Forget trusted certificate" is there only for a site that has one, and
    // empties it; the site's stored fingerprint changes only if the dialog is saved.
    void forgetTrustedCertificateEmptiesTheFingerprint() {
        const QString fingerprint = QStringLiteral("SHA256:x9");
        for (const QString& stored : {QString(), fingerprint}) {
            SitePropertiesDialog dialog(kEmail);
            dialog.name = QStringLiteral("Home");
            dialog.tlsFingerprint = stored;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* forget = WithText<QPushButton>(&dialog, QStringLiteral("&Forget trusted certificate"));
            QVERIFY(forget);
            QCOMPARE(forget->isEnabled(), !stored.isEmpty());
            QCOMPARE(forget->toolTip().contains(fingerprint), !stored.isEmpty());
            if (stored.isEmpty()) continue;

            // The mnemonic clicks the button after its short press animation.
            QTest::keyClick(&dialog, Qt::Key_F, Qt::AltModifier);
            QTRY_VERIFY(dialog.tlsFingerprint.isEmpty());
            QVERIFY(!forget->isEnabled());
            QVERIFY(!forget->toolTip().contains(fingerprint));
        }
    }

    void iconButtonChangesTheSpecOnlyWhenAnIconIsPicked() {
        ScriptedPropertiesDialog dialog(kEmail);
        dialog.currentIconSpec = QStringLiteral("Wexal.exe ,32");
        dialog.currentIcon = IconFromSpec(dialog.currentIconSpec);
        dialog.show();
        auto* button = dialog.findChild<QToolButton*>();
        QCOMPARE(button->accessibleName(), QStringLiteral("Select icon for site"));

        dialog.answer = [](IconSelectionDialog& selection) {
            selection.reject();
            return int(QDialog::Rejected);
        };
        button->click();
        QCOMPARE(dialog.startedWith, QStringLiteral("Wexal.exe|32"));
        QCOMPARE(dialog.currentIconSpec, QStringLiteral("Wexal.exe ,32"));

        dialog.answer = [](IconSelectionDialog& selection) {
            IconList(selection)->setCurrentRow(2);
            selection.accept();
            return int(QDialog::Accepted);
        };
        button->click();
        QCOMPARE(dialog.currentIconSpec, QStringLiteral("Wexal.exe ,2"));
        QVERIFY(!dialog.currentIcon.isNull());

        dialog.currentIconSpec.clear();
        dialog.answer = [](IconSelectionDialog& selection) {
            selection.accept();  // nothing selected
            return int(QDialog::Accepted);
        };
        button->click();
        QCOMPARE(dialog.startedWith, QStringLiteral("Wexal.exe|32"));
        QCOMPARE(dialog.currentIconSpec, QString());
    }

    void iconSelectionReadsItsStartingSpec() {
        struct Case {
            QString spec;
            QString fileName;
            int index;
        };
        const QList<Case> cases = {
            {QStringLiteral("Wexal.exe ,32"), QStringLiteral("Wexal.exe"), 32},
            {QStringLiteral("Wexal.exe, 32"), QStringLiteral("Wexal.exe"), 32},
            {QStringLiteral("/a,b/icons.ico ,3"), QStringLiteral("/a,b/icons.ico"), 3},
            {QStringLiteral("7"), QStringLiteral("7"), 7},
            {QStringLiteral("plain.ico"), QStringLiteral("plain.ico"), 0},
            {QString(), QString(), 0},
        };
        for (const Case& row : cases) {
            IconSelectionDialog dialog(row.spec);
            QCOMPARE(dialog.fileName, row.fileName);
            QCOMPARE(dialog.selectedIconIndex, row.index);
        }
    }

    void iconSelectionListsEveryIconOfTheFile() {
        IconSelectionDialog program(QStringLiteral("Wexal.exe ,32"));
        QCOMPARE(IconList(program)->count(), ProgramIcons::kFileIconCount);
        QCOMPARE(IconList(program)->item(5)->text(), QStringLiteral("5"));

        QTemporaryDir directory;
        const QString picture = directory.filePath(QStringLiteral("one.png"));
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::red);
        QVERIFY(pixmap.save(picture));
        IconSelectionDialog single(picture + QStringLiteral(" ,0"));
        QCOMPARE(IconList(single)->count(), 1);

        MessageRecorder messages;
        const QString text = directory.filePath(QStringLiteral("notes.txt"));
        WriteFileBytes(text, "no icons here");
        IconSelectionDialog none(text);
        QCOMPARE(IconList(none)->count(), 0);
        IconSelectionDialog missing(directory.filePath(QStringLiteral("gone.ico")));
        QCOMPARE(IconList(missing)->count(), 0);
        QVERIFY(messages.texts.isEmpty());
    }

    void browseThenPickTheThirdIcon() {
        // This executable stands for the program file and holds its icons.
        const QString program = QCoreApplication::applicationFilePath();
        const QString directoryBefore = QDir::currentPath();
        QString askedTitle;
        IconSelectionDialog::SetFileChooser(
            [&](QWidget*, const QString& title, const QString&, const QString&) {
                askedTitle = title;
                return program;
            });
        IconSelectionDialog dialog(QStringLiteral("Wexal.exe ,32"));
        dialog.show();
        WithText<QPushButton>(&dialog, QStringLiteral("Browse"))->click();
        IconSelectionDialog::SetFileChooser({});
        QCOMPARE(askedTitle, QStringLiteral("Select File Containing Icon(s):"));
        QCOMPARE(EditNamed(&dialog, QStringLiteral("File Name"))->text(), program);
        QCOMPARE(IconList(dialog)->count(), ProgramIcons::kFileIconCount);
        IconList(dialog)->setCurrentRow(2);
        WithText<QPushButton>(&dialog, QStringLiteral("OK"))->click();
        QCOMPARE(dialog.fileName + QStringLiteral(" ,") + QString::number(dialog.selectedIconIndex),
                 program + QStringLiteral(" ,2"));
        QCOMPARE(QDir::currentPath(), directoryBefore);
    }

    void oneLineDialogsExchangeTheirName() {
        RenameDialog rename;
        rename.name = QStringLiteral("old");
        rename.show();
        QCOMPARE(rename.windowTitle(), QStringLiteral("Rename"));
        QLineEdit* edit = EditNamed(&rename, QStringLiteral("New name"));
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("old"));
        edit->setText(QStringLiteral("new"));
        WithText<QPushButton>(&rename, QStringLiteral("OK"))->click();
        QCOMPARE(rename.name, QStringLiteral("new"));

        NewGroupDialog group;
        group.show();
        QCOMPARE(group.windowTitle(), QStringLiteral("New Group"));
        QVERIFY(EditNamed(&group, QStringLiteral("Group Name")));
        WithText<QPushButton>(&group, QStringLiteral("OK"))->click();
        QCOMPARE(group.result(), int(QDialog::Accepted));
        QCOMPARE(group.name, QString());
    }
};

QUILLMOOR_SITES_TEST_MAIN(SiteDialogsTest)
#include "site_dialogs_test.moc"
