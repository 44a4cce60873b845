#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/desktop/message_seam.h"
#include "sites/catalogue_test_nodes.h"

// Every Qt test of the site catalogue runs offscreen, with its own
// configuration directory, and answers message boxes through the seam.
#define QUILLMOOR_SITES_TEST_MAIN(TestClass)                \
    int main(int argc, char** argv) {                       \
        qputenv("QT_QPA_PLATFORM", "offscreen");            \
        QTemporaryDir config;                               \
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); \
        QApplication app(argc, argv);                       \
        TestClass test;                                     \
        return QTest::qExec(&test, argc, argv);             \
    }

// Records the message boxes shown and answers them with `answer`.
struct MessageRecorder {
    QStringList texts;
    MessageAnswer answer = MessageAnswer::Ok;

    MessageRecorder() {
        SetMessageResponder([this](const MessageRequest& request) {
            texts << request.text;
            return answer;
        });
    }
    ~MessageRecorder() { SetMessageResponder({}); }
};

inline QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

// One catalogue file entry.
inline QByteArray Entry(const QByteArray& name, const QByteArray& group, const QByteArray& host = "h") {
    return "[" + name + "]\r\nHOST=" + host + "\r\nGROUP=" + group + "\r\n\r\n";
}

