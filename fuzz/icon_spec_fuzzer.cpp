// Icon references ("file,index") as site profiles and the file-type
// database give them, and icon files of any content. The reference may
// name the one icon file the input provides, the program file, a theme icon
// or nothing; no "/" reaches the file system, so the target reads no file but
// its own.
//
// Input: one byte choosing the icon file's name, the reference up to a
// NUL, then the icon file's bytes.
#include <QGuiApplication>
#include <QImageReader>
#include <QString>
#include <fcntl.h>
#include <unistd.h>

#include "fuzz_support.h"
#include "platform/desktop/icon_spec.h"

namespace {

const char* const kIconFileNames[] = {"icon.ico", "icon.png", "icon.svg", "icon.bmp", "icon.xpm", "icon"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const char* fileName = kIconFileNames[input.TakeByte() % std::size(kIconFileNames)];
    std::string specText = input.TakeUntilNul();
    for (char& c : specText) {
        if (c == '/') c = '_';
    }
    fuzzing::WriteScratchFile(fuzzing::ScratchDirectory() + fileName, input.TakeRest());

    const QString spec = QString::fromUtf8(specText.data(), static_cast<qsizetype>(specText.size()));
    const IconSpec parsed = ParseIconSpec(spec);
    FUZZ_CHECK(parsed.index >= 0);
    FUZZ_CHECK(spec.startsWith(parsed.file));
    FUZZ_CHECK(parsed.file.isEmpty() || !parsed.file.back().isSpace());
    FUZZ_CHECK(!parsed.file.contains(u','));
    if (!spec.contains(u',')) FUZZ_CHECK(parsed.index == 0);

    // Relative names in the reference resolve inside the scratch
    // directory; the fuzzer's own paths need the directory it started in.
    const int startDirectory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FUZZ_CHECK(startDirectory >= 0 && chdir(fuzzing::ScratchDirectory().c_str()) == 0);
    const QIcon icon = IconFromSpec(spec);
    FUZZ_CHECK(fchdir(startDirectory) == 0);
    close(startDirectory);
    if (parsed.file.isEmpty()) FUZZ_CHECK(icon.isNull());
    if (!icon.isNull()) FUZZ_CHECK(!icon.pixmap(16, 16).isNull());
    return 0;
}
