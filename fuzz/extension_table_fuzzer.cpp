// The extension table that picks ASCII or binary for auto-detect transfers.
// Any table and any file name give one of the three type letters, and only a
// letter that some table line starts with can come out as ASCII or local.
//
// Input: the file name up to a NUL, then the table file's bytes.
#include "ftp/ftp_session.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const std::string fileName = input.TakeUntilNul();
    const std::string table = input.TakeRest();
    fuzzing::WriteScratchFile(fuzzing::ScratchDirectory() + "Extension.ftp", table);

    const std::string key = FtpSession::ExtensionKey(fileName);
    FUZZ_CHECK(!key.empty());
    const char type = FtpSession::TypeForNameIn(fuzzing::ScratchDirectory(), key);
    FUZZ_CHECK(type == 'A' || type == 'I' || type == 'L');
    if (type != 'I') {
        const bool firstLine = !table.empty() && table[0] == type;
        FUZZ_CHECK(firstLine || table.find(std::string("\n") + type) != std::string::npos);
    }
    return 0;
}
