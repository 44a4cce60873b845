#pragma once

#include <QDir>
#include <QFile>

#include "support/real_ftp_server.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"
#include "view_fixture.h"

// pyftpdlib serving a fresh directory, with its log (file operations, SITE
// CHMOD and transfers are logged at its default level) readable by the test.
class LoggedPyftpd : public testsupport::PyftpdlibServer {
public:
    QString Log() const { return QString::fromStdString(testsupport::TempDir::ReadFile(dir / "stderr")); }
    QString Root() const { return QString::fromStdString(WritableDir().string()); }
    void Put(const QString& relative, const QByteArray& bytes) const {
        const QString path = Root() + u'/' + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    }
};

// A catalogue with the group "Demo" holding the site "Local" on `host`.
inline QByteArray LocalSiteCatalogue(const std::string& host, const char* user = "anonymous",
                                     const char* password = "", const char* remoteDir = "") {
    return QByteArray("[Local]\r\nHOST=") + host.c_str() + "\r\nACCOUNT=\r\nUID=" + user + "\r\nPASSWORD=" +
           password + "\r\nSAVPWD=FALSE\r\nICON=Wexal.exe ,32\r\nGROUP=Demo\r\nLOCALDIR=\r\nREMOTEDIR=" + remoteDir +
           "\r\nPROMPT?=FALSE\r\nFIREWALL?=FALSE\r\n\r\n";
}

// Opens the group and then its site from the list, as a double click does.
inline void OpenSite(ViewFixture& f, const QString& group, const QString& site) {
    f.Select({group});
    f.view->OpenItem();
    f.Select({site});
    f.view->OpenItem();
    QVERIFY(f.Settle());
}

// A view connected to the server's root through the catalogue's site "Local".
inline std::unique_ptr<ViewFixture> ConnectedTo(const testsupport::RealFtpServer& server) {
    auto f = std::make_unique<ViewFixture>(LocalSiteCatalogue(server.HostText()));
    OpenSite(*f, "Demo", "Local");
    return f;
}

inline bool LogHas(const QStringList& lines, const QString& line) { return lines.contains(line); }
