// Lines per second of the listing parser alone: writes a listing of N lines
// (default 1,000,000) in the shape vsftpd sends, then reads and parses it the
// way NextEntry does.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/listing_parser.h"

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string path = argc > 2 ? argv[2] : "/tmp/quillmoor-bench-listing.txt";

    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) return 1;
    std::fprintf(out, "total %ld\n", lines);
    for (long i = 1; i < lines; ++i) {
        std::fprintf(out, "%s    1 ftp      ftp      %10ld Dec 07 08:%02ld file-number-%ld.dat\n",
                     i % 10 == 0 ? "drwxr-xr-x" : "-rw-r--r--", i * 37, i % 60, i);
    }
    std::fclose(out);

    const auto start = std::chrono::steady_clock::now();
    std::FILE* in = std::fopen(path.c_str(), "r");
    ListingLineReader reader(in);
    std::string_view piece;
    RemoteEntry entry;
    long read = 0;
    long entries = 0;
    while (reader.Next(piece)) {
        ++read;
        if (ParseUnixListingLine(CutAtLineEnd(piece), 9, entry)) ++entries;
    }
    std::fclose(in);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::remove(path.c_str());
    std::printf("lines %ld entries %ld seconds %.3f lines_per_second %.0f\n", read, entries, seconds,
                static_cast<double>(read) / seconds);
    return entries == lines - 1 ? 0 : 1;
}
