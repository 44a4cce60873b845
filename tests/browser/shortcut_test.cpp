// The keyboard shortcuts of the main window: each command's keys as its menu
// entry shows them, no key given twice, and each key, pressed where a user
// presses it (list or tree), reaching its command in the running program.
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include "sites/catalogue_test_nodes.h"

#include "app/application.h"
#include "app/main_window.h"
#include "browser/list_filter.h"
#include "browser_test_main.h"
#include "options/debug_window.h"
#include "program_driver.h"
#include "server_fixture.h"
#include "test_files.h"

namespace {

struct KeyBinding {
    const char16_t* action;
    QList<QKeySequence> keys;
};

const KeyBinding kBindings[] = {
    {u"newSite", {QKeySequence("Ctrl+N")}},
    {u"createDirectory", {QKeySequence("Ctrl+Shift+N")}},
    {u"quickConnect", {QKeySequence("Ctrl+K")}},
    {u"disconnect", {QKeySequence("Ctrl+Shift+D")}},
    {u"options", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}},
    {u"refresh", {QKeySequence(Qt::Key_F5)}},
    {u"rename", {QKeySequence(Qt::Key_F2)}},
    {u"delete", {QKeySequence(Qt::Key_Delete)}},
    {u"upOneLevel", {QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::Key_Backspace)}},
    {u"filter", {QKeySequence(Qt::CTRL | Qt::Key_F)}},
};

// A key pressed with the program in some state, and what shows it arrived:
// the class of the dialog it opened (closed again at once), a message asked
// through the seam (answered No), or a command sent to the server.
struct KeyPress {
    const char* name;
    bool connected;
    QString selected;  // the item selected first in the list (or the tree, for the tree)
    bool inTree;
    QKeySequence key;
    const char* dialogClass;  // null when not a dialog
    const char* message;      // the start of the question; null when none
    const char* sent;         // a command line the log shows; null when none
};

}  // namespace

class ShortcutTest : public QObject {
    Q_OBJECT

private:
    ProgramDriver user;

    // Closes whatever dialog a key opened and remembers its class.
    static void CloseNextDialog(QString& seen) {
        QTimer::singleShot(50, [&seen] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                seen = QString::fromLatin1(dialog->metaObject()->className());
                dialog->close();
            }
        });
    }

private slots:
    void EveryCommandShowsItsKeysAndNoKeyIsGivenTwice() {
        AppSettings settings;
        LogQueue log;
        AppContext context{settings, log};
        MainWindow frame(context);
        for (const KeyBinding& binding : kBindings) {
            QAction* action = frame.Action(binding.action);
            QVERIFY(action);
            QCOMPARE(action->shortcuts(), binding.keys);
        }
        QList<QKeySequence> taken;
        for (QShortcut* shortcut : frame.findChildren<QShortcut*>()) taken << shortcut->key();
        for (QAction* action : frame.findChildren<QAction*>()) {
            for (const QKeySequence& key : action->shortcuts()) {
                QVERIFY2(!taken.contains(key), qPrintable(key.toString()));
                taken << key;
            }
        }
    }

    void EachKeyReachesItsCommand() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("pub/inner.txt", "x");
        server.Put("file.txt", "f");
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server.HostText()));
        MessageLog messages;
        messages.answer = MessageAnswer::No;
        Application app;
        QVERIFY(app.Start());
        app.Settings().email = "keys@example.com";
        MainWindow* frame = app.Window();
        user.Attach(frame);
        RemoteView* view = user.View();
        auto* tree = qobject_cast<SiteTree*>(frame->SiteTreePane());
        QVERIFY(tree);

        const KeyPress presses[] = {
            {"new site", false, "Demo", false, QKeySequence("Ctrl+N"), "SitePropertiesDialog", nullptr,
             nullptr},
            {"quick connect", false, "Demo", false, QKeySequence("Ctrl+K"), "SessionProfileDialog", nullptr,
             nullptr},
            {"options", false, "Demo", false, QKeySequence("Ctrl+,"), "OptionsSheet", nullptr, nullptr},
            {"rename in the tree", false, "Demo", true, QKeySequence("F2"), "RenameDialog", nullptr, nullptr},
            {"refresh", true, "file.txt", false, QKeySequence("F5"), nullptr, nullptr, "Quillmoor: MLSD"},
            {"new folder", true, "file.txt", false, QKeySequence("Ctrl+Shift+N"), "CreateDirectoryDialog",
             nullptr, nullptr},
            {"rename", true, "file.txt", false, QKeySequence("F2"), "RenameDialog", nullptr, nullptr},
            {"delete", true, "file.txt", false, QKeySequence("Del"), nullptr,
             "Are you sure you want to delete", nullptr},
            {"disconnect", true, "file.txt", false, QKeySequence("Ctrl+Shift+D"), nullptr,
             "Are you sure you want to disconnect", nullptr},
            {"enter opens", true, "pub", false, QKeySequence(Qt::Key_Return), nullptr, nullptr,
             "Quillmoor: CWD /pub"},
            {"alt+up", true, "inner.txt", false, QKeySequence("Alt+Up"), nullptr, nullptr,
             "Quillmoor: CWD /"},
            {"backspace", true, "inner.txt", false, QKeySequence("Backspace"), nullptr, nullptr,
             "Quillmoor: CWD /"},
        };
        for (const KeyPress& press : presses) {
            const char* row = press.name;
            if (press.connected != view->Connected()) {
                if (press.connected) {
                    user.DoubleClick("Demo");
                    user.DoubleClick("Local");
                } else {
                    view->Disconnect(false);
                    QVERIFY(user.Settle());
                }
            }
            QVERIFY2(view->Connected() == press.connected, row);
            if (press.selected == "inner.txt" && view->List().FindLabel("inner.txt") < 0)
                user.DoubleClick("pub");
            if (press.selected == "pub" && view->List().FindLabel("pub") < 0) {
                view->GoUp();
                QVERIFY(user.Settle());
            }
            QWidget* target = view->List().ActiveView();
            if (press.inTree) {
                tree->setCurrentIndex(tree->model()->index(0, 0));
                frame->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(frame));
                tree->setFocus();
                target = tree;
            } else {
                user.Select(press.selected);
            }
            app.Log().Drain();
            frame->LogWindow()->Flush();
            const qsizetype linesBefore = frame->LogWindow()->Lines().size();
            messages.texts.clear();
            QString dialog;
            CloseNextDialog(dialog);
            QTest::keySequence(target, press.key);
            if (press.dialogClass) QTRY_COMPARE_WITH_TIMEOUT(dialog, QString(press.dialogClass), 2000);
            if (press.message) {
                QVERIFY2(messages.texts.size() == 1 && messages.texts[0].startsWith(press.message), row);
            }
            if (press.sent) {
                QTRY_VERIFY2_WITH_TIMEOUT(frame->LogWindow()->Lines().mid(linesBefore).contains(press.sent),
                                          row, 5000);
            }
            QVERIFY2(user.Settle(), row);
            QTest::qWait(60);  // lets a dialog that should not have opened show itself
            QVERIFY2(QApplication::activeModalWidget() == nullptr, row);
        }

        // Ctrl+F opens the filter with the keyboard in it.
        user.Select("pub");
        QTest::keySequence(view->List().ActiveView(), QKeySequence("Ctrl+F"));
        QVERIFY(view->Filter().isVisible());
        QVERIFY(view->Filter().isAncestorOf(QApplication::focusWidget()));

        app.requestExit();
        app.Shutdown();
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(ShortcutTest)
#include "shortcut_test.moc"
