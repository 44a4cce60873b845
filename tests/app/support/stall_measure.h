#pragma once

// Measures how responsive the desktop program's window stays while a
// scripted server stalls one request: the real program runs in this process
// (offscreen), logs in to the server from its catalogue, and meets a stall on
// CWD (a folder double-clicked), LIST (Refresh), SIZE (a file double-clicked)
// or the data connection (Refresh, the passive port never accepting). While
// the request runs, a 10 ms timer records its worst lateness, a menu is tried
// with the mouse at 500 ms, and the progress dialog's Cancel is clicked at
// 1 s. Shared by the stall bench and the test that keeps the window awake.
#include <QString>
#include <chrono>
#include <optional>

enum class Stall { None, ChangeDirectory, Listing, SizeQuery, DataConnection };

struct StallCase {
    Stall stall;
    const char* label;
};

inline constexpr StallCase kStallCases[] = {
    {Stall::None, "no request (idle window)"},
    {Stall::ChangeDirectory, "CWD (double-click a folder)"},
    {Stall::Listing, "LIST (Refresh)"},
    {Stall::SizeQuery, "SIZE (double-click a file)"},
    {Stall::DataConnection, "data connection (Refresh)"},
};

inline constexpr std::chrono::milliseconds kMenuCheckAt{500};
inline constexpr std::chrono::milliseconds kCancelAt{1000};

// What one stalled request looked like from the user's side.
struct StallFigures {
    std::chrono::milliseconds worstLateness{0};
    std::chrono::milliseconds requestTime{0};
    QString menu;    // whether a menu opened and its entry ran while the server stalled
    QString cancel;  // what clicking Cancel did
    std::optional<std::chrono::nanoseconds> cancelToEnd;  // when Cancel was clicked and ended the request
};

// Runs the program against a server that stalls for length as the case says.
// Empty when the program did not get as far as the stall (said on stderr).
std::optional<StallFigures> MeasureStall(const StallCase& stallCase, std::chrono::milliseconds length);
