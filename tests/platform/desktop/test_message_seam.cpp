// The real message box behind the seam for the Resume question and the
// question about an existing file: named, keyboard-reachable buttons, each
// giving its answer.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/desktop/message_seam.h"

namespace {

QString AccessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// Calls act with the message box once it is up; gives up (closing nothing)
// after a few seconds.
void WhenTheBoxIsUp(QTimer& poll, std::function<void(QMessageBox&)> act) {
    poll.setInterval(10);
    auto looks = std::make_shared<int>(0);
    QObject::connect(&poll, &QTimer::timeout, [&poll, act, looks] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
                poll.stop();
                act(*box);
                return;
            }
        }
        if (++*looks > 300) poll.stop();
    });
    poll.start();
}

}  // namespace

class TestMessageSeam : public QObject {
    Q_OBJECT

private slots:
    void ResumeButtonsAreNamedAndAnswerFromTheKeyboard_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("secondName");
        QTest::addColumn<QString>("pressed");  // empty: Escape
        QTest::addColumn<int>("answer");
        const int overwrite = static_cast<int>(MessageButtons::ResumeOverwriteCancel);
        const int restart = static_cast<int>(MessageButtons::ResumeRestartCancel);
        QTest::newRow("resume") << overwrite << "Overwrite"
                                << "Resume" << static_cast<int>(MessageAnswer::Resume);
        QTest::newRow("overwrite") << overwrite << "Overwrite"
                                   << "Overwrite" << static_cast<int>(MessageAnswer::Yes);
        QTest::newRow("start again") << restart << "Start Again"
                                     << "Start Again" << static_cast<int>(MessageAnswer::Yes);
        QTest::newRow("cancel") << restart << "Start Again"
                                << "Cancel" << static_cast<int>(MessageAnswer::Cancel);
        QTest::newRow("escape") << restart << "Start Again"
                                << "" << static_cast<int>(MessageAnswer::Cancel);
    }
    void ResumeButtonsAreNamedAndAnswerFromTheKeyboard() {
        QFETCH(int, buttons);
        QFETCH(QString, secondName);
        QFETCH(QString, pressed);
        QFETCH(int, answer);
        QStringList names;
        QStringList withoutShortcut;
        // Looks for the box once it is up; gives up (closing nothing) after a few seconds.
        int looks = 0;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            QMessageBox* box = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* found = qobject_cast<QMessageBox*>(widget); found != nullptr && found->isVisible())
                    box = found;
            }
            if (box == nullptr) {
                if (++looks > 300) poll.stop();
                return;
            }
            poll.stop();
            QAbstractButton* toPress = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                const QString name = QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
                names << name;
                const bool keyboard = (button->focusPolicy() & Qt::TabFocus) &&
                                      (name == "Cancel" || !button->shortcut().isEmpty());
                if (!keyboard) withoutShortcut << name;
                if (name == pressed) toPress = button;
            }
            if (toPress != nullptr) {
                toPress->setFocus();
                QTest::keyClick(toPress, Qt::Key_Space);
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        poll.start();
        const MessageAnswer given = ShowMessage(nullptr, QStringLiteral("resume?"),
                                                static_cast<MessageButtons>(buttons), MessageIcon::Question);
        QCOMPARE(static_cast<int>(given), answer);
        QStringList expected{"Cancel", "Resume", secondName};
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
        QVERIFY2(withoutShortcut.isEmpty(), qPrintable(withoutShortcut.join(", ")));
    }

    // The question about an existing file: five named choices and Cancel,
    // each reachable from the keyboard, Skip the default, Escape for Cancel,
    // and a check box whose state comes back with the answer.
    void ExistingFileQuestionAnswersEachButton_data() {
        QTest::addColumn<QString>("pressed");  // empty: Escape; "Enter": the default button
        QTest::addColumn<bool>("tick");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("checked");
        QTest::newRow("overwrite") << "Overwrite" << false << MessageAnswer::Overwrite << false;
        QTest::newRow("if newer, for all") << "Overwrite if newer" << true << MessageAnswer::OverwriteIfNewer
                                           << true;
        QTest::newRow("resume") << "Resume" << false << MessageAnswer::Resume << false;
        QTest::newRow("rename, for all") << "Rename" << true << MessageAnswer::Rename << true;
        QTest::newRow("skip") << "Skip" << false << MessageAnswer::Skip << false;
        QTest::newRow("enter skips") << "Enter" << false << MessageAnswer::Skip << false;
        QTest::newRow("cancel") << "Cancel" << true << MessageAnswer::Cancel << true;
        QTest::newRow("escape") << "" << false << MessageAnswer::Cancel << false;
    }
    void ExistingFileQuestionAnswersEachButton() {
        QFETCH(QString, pressed);
        QFETCH(bool, tick);
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, checked);
        QStringList names;
        QStringList withoutShortcut;
        QString shownDetails;
        QTimer poll;
        WhenTheBoxIsUp(poll, [&](QMessageBox& box) {
            shownDetails = box.informativeText();
            QCheckBox* check = box.checkBox();
            if (check == nullptr) {
                names << "<no check box>";
                box.reject();
                return;
            }
            names << AccessibleName(check);
            if (check->shortcut().isEmpty()) withoutShortcut << AccessibleName(check);
            if (tick) {
                check->setFocus();
                QTest::keyClick(check, Qt::Key_Space);
            }
            QAbstractButton* toPress = nullptr;
            for (QAbstractButton* button : box.buttons()) {
                const QString name = AccessibleName(button);
                names << name;
                if ((name != "Cancel" && button->shortcut().isEmpty()) || !(button->focusPolicy() & Qt::TabFocus))
                    withoutShortcut << name;
                if (name == pressed) toPress = button;
            }
            if (toPress != nullptr) {
                toPress->setFocus();
                QTest::keyClick(toPress, Qt::Key_Space);
            } else {
                QTest::keyClick(&box, pressed == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
            }
        });
        MessageRequest request;
        request.text = QStringLiteral("File a.txt already exists.");
        request.details = QStringLiteral("Existing file: 3 bytes");
        request.buttons = MessageButtons::ExistingFile;
        request.icon = MessageIcon::Question;
        request.checkBox = QStringLiteral("&Apply to all in this batch");
        const MessageReply reply = AskMessage(nullptr, request);
        QCOMPARE(reply.answer, answer);
        QCOMPARE(reply.checked, checked);
        QCOMPARE(shownDetails, request.details);
        QStringList expected{"Apply to all in this batch", "Cancel", "Overwrite", "Overwrite if newer",
                             "Rename", "Resume", "Skip"};
        names.sort();
        QCOMPARE(names, expected);
        QVERIFY2(withoutShortcut.isEmpty(), qPrintable(withoutShortcut.join(", ")));
    }
};

QTEST_MAIN(TestMessageSeam)
#include "test_message_seam.moc"
