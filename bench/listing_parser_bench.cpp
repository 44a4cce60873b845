// Time the listing parser takes for one listing of each major form: writes
// N lines (default 100,000) of Unix, DOS, MLSD and VMS listings, then reads
// and parses each the way a listing received into memory is read. Fails when a line gives no entry.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ftp/listing_parser.h"

namespace {

struct Form {
    const char* title;
    ListingParser::Form form;
    std::function<void(std::FILE*, long)> writeLine;
};

const Form kForms[] = {
    {"unix", ListingParser::Form::List,
     [](std::FILE* out, long i) {
         std::fprintf(out, "%s    1 ftp      ftp      %10ld Dec 07 08:%02ld file-number-%ld.dat\r\n",
                      i % 10 == 0 ? "drwxr-xr-x" : "-rw-r--r--", i * 37, i % 60, i);
     }},
    {"dos", ListingParser::Form::List,
     [](std::FILE* out, long i) {
         if (i % 10 == 0)
             std::fprintf(out, "12-07-26  11:%02ldAM       <DIR>          folder %ld\r\n", i % 60, i);
         else
             std::fprintf(out, "12-07-26  01:%02ldPM %20ld file-number-%ld.dat\r\n", i % 60, i * 37, i);
     }},
    {"mlsd", ListingParser::Form::Mlsd,
     [](std::FILE* out, long i) {
         std::fprintf(
             out,
             "type=%s;size=%ld;modify=20261207%06ld;UNIX.mode=0644;unique=801g%lx; file-number-%ld.dat\r\n",
             i % 10 == 0 ? "dir" : "file", i * 37, 80000 + i % 60, i, i);
     }},
    {"vms", ListingParser::Form::List,
     [](std::FILE* out, long i) {
         std::fprintf(
             out,
             "FILE%ld.DAT;1          %ld/%ld      7-DEC-2026 08:%02ld:00  [GROUP,OWNER]  (RWED,RWED,RE,)\r\n",
             i, i % 500, i % 500 + 3, i % 60);
     }},
};

// Processor time of this process: on a machine shared with other work, the
// wall clock measures the others too.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The listing as it arrives in memory.
std::string ReadWhole(const std::string& path) {
    std::string text;
    if (std::FILE* in = std::fopen(path.c_str(), "r")) {
        char block[65536];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;) text.append(block, got);
        std::fclose(in);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 100000;
    const std::string path = argc > 2 ? argv[2] : "/tmp/quillmoor-bench-listing.txt";
    int failures = 0;
    for (const Form& form : kForms) {
        std::FILE* out = std::fopen(path.c_str(), "w");
        if (out == nullptr) return 1;
        for (long i = 0; i < lines; ++i) form.writeLine(out, i);
        std::fclose(out);

        const std::string text = ReadWhole(path);
        const auto start = std::chrono::steady_clock::now();
        const double processorStart = ProcessorSeconds();
        ListingLines reader(text);
        ListingParser parser(form.form);
        std::string_view piece;
        RemoteEntry entry;
        long entries = 0;
        while (reader.Next(piece))
            if (parser.Read(piece, entry)) ++entries;
        parser.Finish();
        const double processor = ProcessorSeconds() - processorStart;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-5s lines %ld entries %ld processor_ms %.1f wall_ms %.1f\n", form.title, lines, entries,
                    processor * 1000, seconds * 1000);
        if (entries != lines) ++failures;
    }
    std::remove(path.c_str());
    return failures == 0 ? 0 : 1;
}
