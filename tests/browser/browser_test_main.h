#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// Runs a Qt Test class offscreen with fresh, private XDG config and data
// directories, so the tests never read or write the user's settings, file
// associations or catalogue. The MIME database still comes from the system.
#define QUILLMOOR_BROWSER_TEST_MAIN(TestClass)                                   \
    int main(int argc, char** argv) {                                            \
        QTemporaryDir xdgHome;                                                   \
        qputenv("XDG_CONFIG_HOME", (xdgHome.path() + "/config").toUtf8());       \
        qputenv("XDG_DATA_HOME", (xdgHome.path() + "/data").toUtf8());           \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                      \
            qputenv("QT_QPA_PLATFORM", "offscreen");                             \
        QApplication app(argc, argv);                                            \
        TestClass test;                                                          \
        return QTest::qExec(&test, argc, argv);                                  \
    }
