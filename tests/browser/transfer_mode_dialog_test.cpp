// The Transfer Mode question asked before a transfer in ask mode.
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "browser/transfer_mode_dialog.h"
#include "browser_test_main.h"

class TransferModeDialogTest : public QObject {
    Q_OBJECT

private slots:
    void OnlyAsksWhetherToGoOn_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK goes on") << true;
        QTest::newRow("Cancel stops") << false;
    }
    void OnlyAsksWhetherToGoOn() {
        QFETCH(bool, ok);
        bool sawNoSelection = false;
        QString title;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<TransferModeDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            sawNoSelection =
                dialog->findChildren<QRadioButton*>().size() == 3 && !dialog->ModeButtons()->checkedButton();
            dialog->findChildren<QRadioButton*>().at(1)->click();  // a choice changes nothing
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(AskTransferMode(nullptr), ok);
        QCOMPARE(title, QStringLiteral("Transfer Mode"));
        QVERIFY(sawNoSelection);
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(TransferModeDialogTest)
#include "transfer_mode_dialog_test.moc"
