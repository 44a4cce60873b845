// The real message box behind the seam for the Resume question: named,
// keyboard-reachable buttons, each giving its answer.
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/desktop/message_seam.h"

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
};

QTEST_MAIN(TestMessageSeam)
#include "test_message_seam.moc"
