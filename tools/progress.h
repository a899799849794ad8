// A progress bar on standard error, drawn only for a person watching: when
// standard error is a terminal and the batch is large enough to wait for.
#pragma once

#include <chrono>
#include <cstdio>

namespace talvhost {

class Progress {
public:
    static constexpr long kWorthShowing = 1000;  // forms

    Progress(long total, bool wanted);  // total < 0: not known (a count is shown)
    ~Progress() { finish(); }
    void advance(long forms = 1);
    void finish();  // wipes the bar so that what follows starts clean
    void finish_line();  // wipes the bar before other output; the next advance redraws it

private:
    void draw();

    long total_;
    long done_ = 0;
    bool active_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace talvhost
