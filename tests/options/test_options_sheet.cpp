#include <QAccessible>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include "options/options_sheet.h"
#include "options/recorded_messages.h"

namespace {

enum Page { kProgram = 0, kTransfer = 1, kDisplay = 2, kFirewall = 3 };

QLineEdit* Field(QWidget& sheet, const QString& name) {
    for (QLineEdit* field : sheet.findChildren<QLineEdit*>()) {
        if (field->accessibleName() == name) return field;
    }
    qFatal("no field %s", qPrintable(name));
}

// A field of one page (both the program and the firewall pages have a "Port").
QLineEdit* PageField(OptionsSheet& sheet, Page page, const QString& name) {
    return Field(*sheet.Tabs()->widget(page), name);
}

template <typename Button>
Button* ButtonWithText(QWidget& sheet, const QString& text) {
    for (Button* button : sheet.findChildren<Button*>()) {
        if (button->text() == text) return button;
    }
    qFatal("no button %s", qPrintable(text));
}

QRadioButton* Radio(QWidget& sheet, const QString& text) { return ButtonWithText<QRadioButton>(sheet, text); }

}  // namespace

class TestOptionsSheet : public QObject {
    Q_OBJECT

private:
    RecordedMessages messages;
    AppSettings settings;

    void Open(OptionsSheet& sheet, Page page = kProgram) {
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        sheet.Tabs()->setCurrentIndex(page);
    }
    QPushButton* Apply(OptionsSheet& sheet) { return sheet.Buttons()->button(QDialogButtonBox::Apply); }

private slots:
    void init() {
        messages.texts.clear();
        settings = AppSettings{};
    }

    void PagesInOrderAndApplyEnabledOnShow() {
        OptionsSheet sheet(settings);
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Options"));
        QStringList titles;
        for (int i = 0; i < sheet.Tabs()->count(); ++i) titles << sheet.Tabs()->tabText(i);
        QCOMPARE(titles, QStringList({"Program Options", "Tranfer Options", "Display Options", "Firewall"}));
        QVERIFY(!Apply(sheet)->isEnabled());
        Open(sheet);
        QVERIFY(Apply(sheet)->isEnabled());
        QCOMPARE(Field(sheet, "Recieve Bytes")->text(), QStringLiteral("1024"));

        // Apply commits and clears the page's modified mark; an edit sets it again.
        QVERIFY(sheet.Apply());
        QVERIFY(!Apply(sheet)->isEnabled());
        PageField(sheet, kProgram, "Port")->setText("2121");
        QVERIFY(Apply(sheet)->isEnabled());
        // Only the Program Options page marks itself modified.
        Apply(sheet)->click();
        sheet.Tabs()->setCurrentIndex(kFirewall);
        Field(sheet, "Proxy Address")->setText("changed");
        QVERIFY(!Apply(sheet)->isEnabled());
    }

    void IntegerFieldsAreValidatedWhenLeavingThePage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters in Send Bytes") << int(kProgram) << "Send Bytes"
                                               << "abc"
                                               << "Please enter an integer.";
        QTest::newRow("empty Port") << int(kProgram) << "Port"
                                    << ""
                                    << "Please enter an integer.";
        QTest::newRow("firewall port above range") << int(kFirewall) << "Port"
                                                   << "100000"
                                                   << "Please enter an integer between 0 and 99999.";
        QTest::newRow("firewall port below range") << int(kFirewall) << "Port"
                                                   << "-1"
                                                   << "Please enter an integer between 0 and 99999.";
        QTest::newRow("firewall port not a number") << int(kFirewall) << "Port"
                                                    << "8o"
                                                    << "Please enter an integer.";
    }

    void IntegerFieldsAreValidatedWhenLeavingThePage() {
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        OptionsSheet sheet(settings);
        Open(sheet, Page(page));
        QLineEdit* edit = PageField(sheet, Page(page), field);
        edit->setText(typed);

        const Page other = page == kProgram ? kDisplay : kProgram;
        sheet.Tabs()->setCurrentIndex(other);
        QCOMPARE(messages.texts, QStringList{message});
        QCOMPARE(sheet.Tabs()->currentIndex(), page);
        QCOMPARE(sheet.focusWidget(), edit);

        // OK is refused the same way and nothing is committed.
        messages.texts.clear();
        sheet.accept();
        QCOMPARE(messages.texts, QStringList{message});
        QVERIFY(sheet.isVisible());
        QCOMPARE(settings.sendBytes, 512);
        QCOMPARE(settings.firePort, 0);
    }

    void FirewallPortRangeEdgesAreAccepted() {
        for (int port : {0, 99999}) {
            OptionsSheet sheet(settings);
            Open(sheet, kFirewall);
            PageField(sheet, kFirewall, "Port")->setText(QString::number(port));
            sheet.accept();
            QVERIFY(messages.texts.isEmpty());
            QCOMPARE(settings.firePort, port);
        }
    }

    void ProgramOptionsCommitUnsignedValues() {
        OptionsSheet sheet(settings);
        Open(sheet);
        Field(sheet, "e-mail Address")->setText("me@example.org");
        PageField(sheet, kProgram, "Port")->setText("-5");  // an integer, but not an unsigned one
        Field(sheet, "Time Out")->setText("0");
        sheet.accept();
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(settings.port, 0);
        QCOMPARE(settings.retry, 0);
        QCOMPARE(settings.email, std::string("me@example.org"));
        QCOMPARE(settings.receiveBytes, 1024);
    }

    void FirewallValuesOnlyOnOk() {
        settings.email = "old@example.org";
        settings.fireHost = "old-proxy";
        {
            OptionsSheet sheet(settings);
            Open(sheet);
            Field(sheet, "e-mail Address")->setText("new@example.org");
            sheet.Tabs()->setCurrentIndex(kFirewall);
            Field(sheet, "Proxy Address")->setText("new-proxy");
            QVERIFY(sheet.Apply());
            QCOMPARE(settings.fireHost, std::string("old-proxy"));
            sheet.reject();
        }
        QCOMPARE(settings.email, std::string("new@example.org"));
        QCOMPARE(settings.fireHost, std::string("old-proxy"));

        OptionsSheet sheet(settings);
        Open(sheet, kFirewall);
        Field(sheet, "Proxy Address")->setText("new-proxy");
        sheet.accept();
        QCOMPARE(settings.fireHost, std::string("new-proxy"));
    }

    void CancelWithoutApplyChangesNothing() {
        const AppSettings before = settings;
        OptionsSheet sheet(settings);
        Open(sheet);
        PageField(sheet, kProgram, "Port")->setText("2121");
        sheet.Tabs()->setCurrentIndex(kTransfer);
        Radio(sheet, "ASCII")->click();
        sheet.Tabs()->setCurrentIndex(kDisplay);
        Radio(sheet, "List View")->click();
        sheet.reject();
        QCOMPARE(settings.port, before.port);
        QCOMPARE(settings.transferMode, before.transferMode);
        QCOMPARE(settings.defaultView, before.defaultView);
    }

    void FirewallTypeThreeIsStoredAndShownAgain() {
        {
            OptionsSheet sheet(settings);
            Open(sheet, kFirewall);
            for (QRadioButton* button : sheet.findChildren<QRadioButton*>()) QVERIFY(!button->isChecked());
            Radio(sheet, "USE&R remote_userid@remote_host")->click();
            sheet.Tabs()->widget(kFirewall)->findChild<QCheckBox*>()->setChecked(true);
            sheet.accept();
        }
        QCOMPARE(settings.fireMode, 3);
        QCOMPARE(settings.fireWallOn, 1);
        OptionsSheet sheet(settings);
        Open(sheet, kFirewall);
        QVERIFY(Radio(sheet, "USE&R remote_userid@remote_host")->isChecked());
    }

    void TransferModeButtons_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("checked");
        QTest::newRow("F selects Auto-Detect") << int('F') << "Auto-Detect";
        QTest::newRow("I selects Binary") << int('I') << "Binary";
        QTest::newRow("A selects ASCII") << int('A') << "ASCII";
        QTest::newRow("P selects none") << int('P') << "";
        QTest::newRow("L selects none") << int('L') << "";
    }

    void TransferModeButtons() {
        QFETCH(int, stored);
        QFETCH(QString, checked);
        settings.transferMode = stored;
        OptionsSheet sheet(settings);
        Open(sheet, kTransfer);
        for (const char* label : {"Auto-Detect", "Binary", "ASCII"}) {
            QCOMPARE(Radio(sheet, label)->isChecked(), checked == label);
        }
        // OK without choosing a button keeps the stored letter.
        sheet.accept();
        QCOMPARE(settings.transferMode, stored);
    }

    void TransferAndDisplayPagesCommitTheirChoices() {
        settings.defaultDownloadDirectory = "/srv/downloads/";
        OptionsSheet sheet(settings);
        Open(sheet, kTransfer);
        QCOMPARE(Field(sheet, "Default Download Directory")->text(), QStringLiteral("/srv/downloads/"));
        Radio(sheet, "Binary")->click();
        Field(sheet, "Default Download Directory")->setText("");
        for (QCheckBox* box : sheet.findChildren<QCheckBox*>()) {
            if (box->text() == "View File On Double-Click") box->setChecked(false);
        }
        sheet.Tabs()->setCurrentIndex(kDisplay);
        QVERIFY(Radio(sheet, "Large Icon")->isChecked());
        Radio(sheet, "Detail View")->click();
        sheet.accept();
        QCOMPARE(settings.transferMode, int('I'));
        QCOMPARE(settings.defaultDownloadDirectory, std::string());
        QCOMPARE(settings.viewOnDoubleClick, 0);
        QCOMPARE(settings.saveOnDoubleClick, 1);
        QCOMPARE(settings.defaultView, 1);
    }

    // The program's data connection default and the server's modification
    // times: on at first, reachable and toggled from the keyboard, committed
    // by Apply.
    void TransferBoxesCommitTheProgramDefaults_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("field");
        QTest::newRow("passive") << "Use passive mode" << 0;
        QTest::newRow("times") << "Keep the server's modification times" << 1;
    }
    void TransferBoxesCommitTheProgramDefaults() {
        QFETCH(QString, text);
        QFETCH(int, field);
        int AppSettings::*const fields[] = {&AppSettings::passiveMode, &AppSettings::keepModificationTimes};
        OptionsSheet sheet(settings);
        Open(sheet, kTransfer);
        auto* box = ButtonWithText<QCheckBox>(sheet, text);
        QVERIFY(box->isChecked() && (box->focusPolicy() & Qt::TabFocus));
        QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name), box->text());
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(sheet.Apply());
        QCOMPARE(settings.*fields[field], 0);
        OptionsSheet again(settings);
        Open(again, kTransfer);
        QVERIFY(!ButtonWithText<QCheckBox>(again, text)->isChecked());
    }

    // The queue's connections: 2 at first, kept within 1..10 from the
    // keyboard, and committed by Apply with the sheet telling that it did.
    void QueueConnectionsCommitWithinRange() {
        OptionsSheet sheet(settings);
        QSignalSpy committed(&sheet, &OptionsSheet::settingsCommitted);
        Open(sheet, kTransfer);
        QSpinBox* box = nullptr;
        for (QSpinBox* candidate : sheet.findChildren<QSpinBox*>()) {
            if (QAccessible::queryAccessibleInterface(candidate)->text(QAccessible::Name) ==
                "Extra connections for the transfer queue")
                box = candidate;
        }
        QVERIFY(box);
        QCOMPARE(box->value(), 2);
        box->setFocus();
        for (int press = 0; press < 12; ++press) QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->value(), 10);
        QVERIFY(sheet.Apply());
        QCOMPARE(settings.queueConnections, 10);
        QCOMPARE(committed.count(), 1);
        for (int press = 0; press < 12; ++press) QTest::keyClick(box, Qt::Key_Down);
        sheet.accept();
        QCOMPARE(settings.queueConnections, 1);
        QCOMPARE(committed.count(), 2);
    }
};

QTEST_MAIN(TestOptionsSheet)
#include "test_options_sheet.moc"
