// File-type lookups on the freedesktop stand-ins: extensions, type names, icons
// and icon specs, and opening a downloaded file with its default application.
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>

#include "browser/file_types.h"
#include "browser/image_list.h"
#include "browser_test_main.h"
#include "test_files.h"
#include "platform/desktop/exec_line.h"
#include "platform/desktop/icon_spec.h"
#include "platform/desktop/message_seam.h"
#include "platform/desktop/mime_applications.h"
#include "platform/desktop/program_icons.h"

namespace {

QColor CentreColour(const QIcon& icon) {
    const QImage image = icon.pixmap(16, 16).toImage();
    return image.pixelColor(8, 8);
}

// An .ico file holding one 16 x 16 PNG image per colour, in order.
void WriteIcoFile(const QString& path, const QList<QColor>& colours) {
    QList<QByteArray> images;
    for (const QColor& colour : colours) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        images.append(png);
    }
    QByteArray ico;
    QDataStream out(&ico, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * images.size();
    for (const QByteArray& png : images) {
        out << quint8(16) << quint8(16) << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(png.size()) << offset;
        offset += png.size();
    }
    for (const QByteArray& png : images) out.writeRawData(png.constData(), png.size());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ico);
}

}  // namespace

class FileTypesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir scratch;
    QString recordPath;
    QList<MessageRequest> messages;

    // A desktop entry whose Exec is a script that writes each argument it gets
    // on a line of its own; mimeapps.list makes it the default for text/plain.
    void InstallRecorder(const QString& execArguments) {
        const QString script = scratch.filePath("recorder.sh");
        WriteTestFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\nmv \"$0.tmp\" \"" +
                              recordPath.toUtf8() + "\"\n",
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
        WriteTestFile(dataHome + "/applications/quillmoor-recorder.desktop",
                  "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + script.toUtf8() + " " +
                      execArguments.toUtf8() + "\nMimeType=text/plain;\n");
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/mimeapps.list",
                  "[Default Applications]\ntext/plain=missing-app.desktop;quillmoor-recorder.desktop;\n");
    }

    QStringList RecordedArguments() {
        QFile record(recordPath);
        if (!record.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(record.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void init() {
        recordPath = scratch.filePath("argv.txt");
        QFile::remove(recordPath);
        messages.clear();
        SetMessageResponder([this](const MessageRequest& request) {
            messages.append(request);
            return MessageAnswer::Ok;
        });
    }

    void cleanup() { SetMessageResponder({}); }

    void FindExtensionForgetsDotsBeforeBlanksAndBackslashes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << "notes.txt" << ".txt";
        QTest::newRow("blank before dot") << "my file.txt" << ".txt";
        QTest::newRow("blank after dot") << "archive.tar gz" << "";
        QTest::newRow("no dot") << "README" << "";
        QTest::newRow("several dots") << "a.b.c.txt" << ".txt";
        QTest::newRow("backslash after dot") << "dir.d\\file" << "";
        QTest::newRow("trailing dot") << "name." << ".";
        QTest::newRow("hidden file") << ".profile" << ".profile";
    }
    void FindExtensionForgetsDotsBeforeBlanksAndBackslashes() {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QCOMPARE(FindExtension(name), extension);
    }

    void TypeNamesComeFromTheMimeDatabase() {
        QCOMPARE(FileTypeName(FindExtension("a.b.c.txt")), QStringLiteral("plain text document"));
        QVERIFY(FileTypeName(".txt").compare("Plain text document", Qt::CaseInsensitive) == 0);
        QVERIFY(FileTypeName(".png").contains("PNG"));
        QCOMPARE(FileTypeName(FindExtension("Makefile")), QString());
        QCOMPARE(FileTypeName(".no-such-extension-here"), QString());
    }

    void FileTypeIconSharesOneImagePerType() {
        ImageList small(QSize(16, 16), 50, 2048), large(QSize(32, 32), 50, 2048);
        FileTypeCache cache;
        const QIcon document = ProgramIcon(ProgramIcons::kDocument);
        QCOMPARE(FileTypeIcon("Makefile", small, large), 0);
        QCOMPARE(small.Icon(0).cacheKey(), document.cacheKey());
        const int text = FileTypeIcon("notes.txt", small, large, &cache);
        QCOMPARE(text, 1);
        QCOMPARE(FileTypeIcon("other.txt", small, large, &cache), text);
        QCOMPARE(FileTypeIcon("later.txt", small, large), text);  // a later fill, with a cache of its own
        QCOMPARE(large.Icon(FileTypeIcon("weird.unregistered-ext", small, large)).cacheKey(), document.cacheKey());
        const int picture = FileTypeIcon("picture.png", small, large, &cache);
        QVERIFY(picture != text && small.Icon(picture).cacheKey() != small.Icon(text).cacheKey());
        QCOMPARE(small.Count(), picture + 1);
        QCOMPARE(large.Count(), small.Count());
    }

    void IconSpecsPickFileAndIndex() {
        const QString ico = scratch.filePath("three.ico");
        WriteIcoFile(ico, {Qt::red, Qt::green, Qt::blue});
        QCOMPARE(CentreColour(IconFromSpec(ico)), QColor(Qt::red));
        QCOMPARE(CentreColour(IconFromSpec(ico + " ,2")), QColor(Qt::blue));
        QCOMPARE(CentreColour(IconFromSpec(ico + ",  1")), QColor(Qt::green));
        QVERIFY(IconFromSpec(ico + ",3").isNull());
        QVERIFY(IconFromSpec("").isNull());
        QVERIFY(IconFromSpec(",3").isNull());
        QVERIFY(IconFromSpec(scratch.filePath("missing.ico") + ",0").isNull());
        QVERIFY(!IconFromSpec("Wexal.exe ,32").isNull());
        QVERIFY(!IconFromSpec("Wexal.exe, 0").isNull());
        QVERIFY(IconFromSpec("Wexal.exe ,40").isNull());
        QCOMPARE(ParseIconSpec("Wexal.exe ,32").file, QStringLiteral("Wexal.exe"));
        QCOMPARE(ParseIconSpec("x.ico,7abc").index, 7);
        QCOMPARE(ParseIconSpec("x.ico").index, 0);
    }

    void ExecLinesBecomeArgumentListsWithoutAShell_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("expected");  // program first
        const QString f = "/tmp/a b;c.txt";
        QTest::newRow("%f") << "viewer %f" << QStringList{"viewer", f};
        QTest::newRow("%U") << "viewer --new %U" << QStringList{"viewer", "--new", f};
        QTest::newRow("none appended") << "viewer -x" << QStringList{"viewer", "-x", f};
        QTest::newRow("inside an argument") << "viewer --open=%u" << QStringList{"viewer", "--open=" + f};
        QTest::newRow("only the first placeholder") << "viewer %f %F" << QStringList{"viewer", f};
        QTest::newRow("other codes dropped") << "viewer %i %c %k %f 100%%" << QStringList{"viewer", f, "100%"};
        QTest::newRow("quoted program") << "\"/opt/my app/view\" \"%f\" %f"
                                        << QStringList{"/opt/my app/view", "%f", f};
        QTest::newRow("escapes in quotes") << "sh -c \"echo \\\"\\$HOME\\\"\" %f"
                                           << QStringList{"sh", "-c", "echo \"$HOME\"", f};
    }
    void ExecLinesBecomeArgumentListsWithoutAShell() {
        QFETCH(QString, exec);
        QFETCH(QStringList, expected);
        const auto command = BuildCommandLine(exec, "/tmp/a b;c.txt");
        QVERIFY(command);
        QCOMPARE(QStringList{command->program} + command->arguments, expected);
    }

    void BadExecLinesGiveNoCommand() {
        QVERIFY(!BuildCommandLine("", "/tmp/x"));
        QVERIFY(!BuildCommandLine("   ", "/tmp/x"));
        QVERIFY(!BuildCommandLine("viewer \"unclosed %f", "/tmp/x"));
        QVERIFY(!BuildCommandLine("%f", "/tmp/x") || BuildCommandLine("%f", "/tmp/x")->program == "/tmp/x");
    }

    void OpenCommandIsTheDefaultApplicationsExecLine() {
        InstallRecorder("--view %F");
        QVERIFY(FindOpenCommand("/tmp/notes.txt").endsWith("recorder.sh --view %F"));
        QCOMPARE(FindOpenCommand("/tmp/dir.d/Makefile"), QString());
        QCOMPARE(FindOpenCommand("/tmp/noextension"), QString());
    }

    // An editor for the terminal opens in the desktop's terminal emulator, and
    // without one the next application for the type is taken.
    void TerminalProgramsRunInATerminalEmulator() {
        QTemporaryDir bin;
        const QString entry = bin.filePath("vim.desktop");
        WriteTestFile(entry, "[Desktop Entry]\nType=Application\nName=Vim\nTerminal=true\nExec=vim %F\n");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        QCOMPARE(ReadDesktopEntryExec(entry), QString());
        WriteTestFile(bin.filePath("x-terminal-emulator"), "#!/bin/sh\n", QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(ReadDesktopEntryExec(entry), bin.filePath("x-terminal-emulator") + " -e vim %F");
        qputenv("PATH", path);
    }

    void HostileNamesOpenTheFileAndRunNothingElse_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks") << "my  notes .txt";
        QTest::newRow("quotes") << "it's \"quoted\".txt";
        QTest::newRow("semicolon") << "a; touch PWNED; b.txt";
        QTest::newRow("substitution") << "$(touch PWNED)`touch PWNED`.txt";
        QTest::newRow("leading dash") << "-rf --help.txt";
    }
    void HostileNamesOpenTheFileAndRunNothingElse() {
        QFETCH(QString, name);
        InstallRecorder("%f");
        const QString downloads = scratch.filePath("downloads");
        QDir().mkpath(downloads);
        WriteTestFile(downloads + "/" + name, "hello");
        QDir::setCurrent(downloads);

        OpenWithAssociation(nullptr, downloads + "/" + name);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), 10000);
        QCOMPARE(RecordedArguments(), QStringList{downloads + "/" + name});
        QVERIFY(!QFile::exists(downloads + "/PWNED"));
        QVERIFY(messages.isEmpty());
    }

    void RelativePathsCannotBecomeOptions() {
        InstallRecorder("%u");
        const QString downloads = scratch.filePath("relative");
        QDir().mkpath(downloads);
        WriteTestFile(downloads + "/-n.txt", "x");
        QDir::setCurrent(downloads);
        OpenWithAssociation(nullptr, "-n.txt");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), 10000);
        QCOMPARE(RecordedArguments(), QStringList{downloads + "/-n.txt"});
    }

    void NoApplicationGivesTheMessage() {
        OpenWithAssociation(nullptr, scratch.filePath("Makefile"));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("I couldn't find the application to open that file."));
        QCOMPARE(messages[0].title, QStringLiteral("Quillmoor"));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(FileTypesTest)
#include "file_types_test.moc"
