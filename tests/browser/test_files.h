#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// Writes a file (parents created), optionally with permissions.
inline void WriteTestFile(const QString& path, const QByteArray& bytes, QFile::Permissions permissions = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    if (permissions) file.setPermissions(permissions);
}
