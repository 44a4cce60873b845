// Every dialog of the program opens at a size where all its text and fields
// can be read: no edit box, button or label squeezed below what it needs.
#include <openssl/x509_vfy.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>
#include <functional>
#include <memory>

#include "browser/transfer_mode_dialog.h"
#include "browser/certificate_dialog.h"
#include "browser/create_directory_dialog.h"
#include "browser/file_properties_dialog.h"
#include "browser/permissions_dialog.h"
#include "browser/remote_list_widget.h"
#include "browser/request_progress_dialog.h"
#include "options/app_settings.h"
#include "options/options_sheet.h"
#include "sites/icon_selection_dialog.h"
#include "sites/new_group_dialog.h"
#include "sites/rename_dialog.h"
#include "sites/session_profile_dialog.h"
#include "sites/site_properties_dialog.h"

namespace {

const QString kEmail = QStringLiteral("someone@example.org");

// Why a shown widget cannot be read whole ("" when it can).
QString Squeezed(const QWidget* widget) {
    const auto name = [widget] {
        return QString::fromLatin1(widget->metaObject()->className()) + " \"" + widget->accessibleName() +
               "\"";
    };
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().isEmpty()) return {};
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        if (label->height() < needed)
            return name() +
                   QStringLiteral(" is %1 px high, its text needs %2").arg(label->height()).arg(needed);
        if (!label->wordWrap() && label->width() < label->minimumSizeHint().width())
            return name() + QStringLiteral(" is cut: %1 px wide").arg(label->width());
        return {};
    }
    const bool field = qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
                       qobject_cast<const QAbstractSpinBox*>(widget) ||
                       qobject_cast<const QAbstractButton*>(widget);
    if (!field) return {};
    const QSize needed = widget->minimumSizeHint().expandedTo(QSize(0, widget->sizeHint().height()));
    if (widget->height() < needed.height() || widget->width() < needed.width())
        return name() + QStringLiteral(" is %1x%2, needs %3x%4")
                            .arg(widget->width())
                            .arg(widget->height())
                            .arg(needed.width())
                            .arg(needed.height());
    return {};
}

// What the dialogs need from the rest of the program.
struct Surroundings {
    AppSettings settings;
    RemoteListWidget list{0};

    Surroundings() {
        RemoteListItem item;
        item.label = QStringLiteral("a rather long file name.tar.gz");
        item.permissions = QStringLiteral("-rw-r--r--");
        list.Model().InsertItem(std::move(item));
        list.SelectRow(0, true);
    }
};

using DialogFactory = std::function<QDialog*(Surroundings&)>;

}  // namespace

Q_DECLARE_METATYPE(DialogFactory)

class TestDialogSizes : public QObject {
    Q_OBJECT

private slots:
    void OpensReadable_data() {
        QTest::addColumn<DialogFactory>("make");
        const auto row = [](const char* name, DialogFactory make) { QTest::newRow(name) << make; };
        row("Session Profile, Quick Connect", [](Surroundings&) {
            auto* dialog = new SessionProfileDialog(kEmail);
            dialog->helpText = QString::fromLatin1(kQuickConnectHelp);
            return dialog;
        });
        row("Session Profile, site", [](Surroundings&) {
            auto* dialog = new SessionProfileDialog(kEmail);
            dialog->helpText = QString::fromLatin1(kSiteConnectHelp);
            dialog->anonymous = true;
            return dialog;
        });
        row("Properties", [](Surroundings&) { return new SitePropertiesDialog(kEmail); });
        row("New Group", [](Surroundings&) { return new NewGroupDialog; });
        row("Rename", [](Surroundings&) { return new RenameDialog; });
        row("Icon Selection",
            [](Surroundings&) { return new IconSelectionDialog(QStringLiteral("Wexal.exe ,32")); });
        row("Create Directory", [](Surroundings&) { return new CreateDirectoryDialog; });
        row("File Properties", [](Surroundings& s) {
            return new FilePropertiesDialog(s.list, QStringLiteral("Home/pub/linux/"));
        });
        row("Permissions", [](Surroundings& s) { return new PermissionsDialog(s.list); });
        row("Transfer Mode", [](Surroundings&) { return new TransferModeDialog; });
        row("Transfer Status", [](Surroundings&) {
            return new RequestProgressDialog(QStringLiteral("Transfer Status"),
                                             QStringLiteral("Retrieving big.iso From 127.0.0.1"), nullptr);
        });
        row("Options", [](Surroundings& s) { return new OptionsSheet(s.settings); });
        row("Unverified Certificate", [](Surroundings&) {
            CertificateRequest request;
            request.host = QStringLiteral("ftp.example.org");
            request.facts.subject = "CN=ftp.example.org,OU=File Transfer,O=Example Hosting Ltd,L=Leeds,C=GB";
            request.facts.issuer = request.facts.subject;
            request.facts.validFrom = "2026-01-01 00:00:00 UTC";
            request.facts.validUntil = "2027-01-01 00:00:00 UTC";
            request.facts.sha256 = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
            request.verification = tls::VerificationFromResult(X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT);
            return new CertificateDialog(request);
        });
    }

    void OpensReadable() {
        QFETCH(DialogFactory, make);
        Surroundings surroundings;
        std::unique_ptr<QDialog> dialog(make(surroundings));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::processEvents();
        QVERIFY2(dialog->width() >= dialog->minimumSizeHint().width() &&
                     dialog->height() >= dialog->minimumSizeHint().height(),
                 qPrintable(QStringLiteral("opened at %1x%2").arg(dialog->width()).arg(dialog->height())));
        // Every page of a tabbed dialog is looked at in turn.
        auto* tabs = dialog->findChild<QTabWidget*>();
        for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
            if (tabs) tabs->setCurrentIndex(page);
            QApplication::processEvents();
            QStringList problems;
            for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
                if (!widget->isVisible()) continue;
                if (const QString problem = Squeezed(widget); !problem.isEmpty()) problems << problem;
            }
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
        }
    }
};

QTEST_MAIN(TestDialogSizes)
#include "test_dialog_sizes.moc"
