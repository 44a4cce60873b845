#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "app/command_router.h"

namespace {

constexpr int kPaneCommand = 1001;
constexpr int kSharedCommand = 1002;
constexpr int kFrameOnlyCommand = 1003;
constexpr int kUnhandledCommand = 1004;

// A focusable pane that handles kPaneCommand and kSharedCommand itself.
class FakePane : public QLineEdit, public CommandTarget {
public:
    QList<int> handled;
    bool sharedEnabled = true;

    bool HandleCommand(int commandId) override {
        if (commandId != kPaneCommand && commandId != kSharedCommand) return false;
        handled.append(commandId);
        return true;
    }
    bool UpdateCommandState(int commandId, CommandState& state) override {
        if (commandId == kPaneCommand) {
            state.enabled = true;
            return true;
        }
        if (commandId == kSharedCommand) {
            state.enabled = sharedEnabled;
            return true;
        }
        return false;
    }
};

}  // namespace

class TestCommandRouter : public QObject {
    Q_OBJECT

private:
    QWidget window;
    FakePane* pane = nullptr;
    QLineEdit* other = nullptr;  // focusable, but not a pane
    CommandRouter* router = nullptr;
    QList<int> frameHandled;
    bool frameRuleEnabled = true;

private slots:
    void initTestCase() {
        auto* layout = new QHBoxLayout(&window);
        pane = new FakePane;
        other = new QLineEdit;
        layout->addWidget(pane);
        layout->addWidget(other);
        router = new CommandRouter(&window);
        router->AddPane(pane);
        for (int id : {kSharedCommand, kFrameOnlyCommand}) {
            router->AddFrameCommand(
                id, [this, id] { frameHandled.append(id); },
                [this](CommandState& state) { state.enabled = frameRuleEnabled; });
        }
        for (int id : {kPaneCommand, kSharedCommand, kFrameOnlyCommand, kUnhandledCommand}) {
            router->BindAction(id, new QAction(QString::number(id), &window));
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    void init() {
        pane->handled.clear();
        frameHandled.clear();
        pane->sharedEnabled = true;
        frameRuleEnabled = true;
    }

    void FocusedPaneComesFirst() {
        pane->setFocus();
        QTRY_VERIFY(pane->hasFocus());
        router->Action(kSharedCommand)->trigger();
        router->Action(kFrameOnlyCommand)->trigger();
        QCOMPARE(pane->handled, QList<int>{kSharedCommand});
        QCOMPARE(frameHandled, QList<int>{kFrameOnlyCommand});
    }

    void WithoutFocusedPaneTheFrameHandles() {
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        router->Route(kSharedCommand);
        router->Route(kPaneCommand);  // nobody but the pane handles it: disabled here
        QVERIFY(pane->handled.isEmpty());
        QCOMPARE(frameHandled, QList<int>{kSharedCommand});
        QVERIFY(!router->StateOf(kPaneCommand).enabled);
    }

    void WhileNothingHasFocusTheLastFocusedPaneKeepsItsCommands() {
        pane->setFocus();
        QTRY_VERIFY(pane->hasFocus());
        pane->clearFocus();
        QTRY_VERIFY(QApplication::focusWidget() == nullptr);
        QVERIFY(router->StateOf(kPaneCommand).enabled);
        router->Route(kPaneCommand);
        QCOMPARE(pane->handled, QList<int>{kPaneCommand});

        other->setFocus();  // focus moved away from every pane: the frame answers
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(!router->StateOf(kPaneCommand).enabled);
    }

    void StatesFollowTheSameOrder() {
        pane->setFocus();
        QTRY_VERIFY(pane->hasFocus());
        pane->sharedEnabled = false;
        QVERIFY(
            !router->StateOf(kSharedCommand).enabled);  // the pane decides, though the frame would enable it
        QVERIFY(router->StateOf(kFrameOnlyCommand).enabled);
        QVERIFY(!router->StateOf(kUnhandledCommand).enabled);
        // A disabled command is not run even when triggered directly.
        router->Route(kSharedCommand);
        QVERIFY(pane->handled.isEmpty());
        QVERIFY(frameHandled.isEmpty());
    }

    void MenuStatesAreEvaluatedBeforeTheMenuShows() {
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QMenu menu;
        menu.addAction(router->Action(kFrameOnlyCommand));
        menu.addSeparator();
        menu.addAction(router->Action(kUnhandledCommand));
        router->WatchMenu(&menu);
        router->Action(kFrameOnlyCommand)->setEnabled(true);
        router->Action(kUnhandledCommand)->setEnabled(true);
        frameRuleEnabled = false;
        emit menu.aboutToShow();
        QVERIFY(!router->Action(kFrameOnlyCommand)->isEnabled());
        QVERIFY(!router->Action(kUnhandledCommand)->isEnabled());
        frameRuleEnabled = true;
        emit menu.aboutToShow();
        QVERIFY(router->Action(kFrameOnlyCommand)->isEnabled());
    }
};

QTEST_MAIN(TestCommandRouter)
#include "test_command_router.moc"
