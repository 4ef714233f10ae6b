// What the status line below the picture says, without any toolkit.
//
// Problems (a file that cannot be used, no sound device) stay until they are
// read: a click on the line or a key takes away the one shown. Notices (what
// a command did: "Saved to slot 1") show for two seconds and fade out over
// the last half second. The line shows one entry at a time, the newest
// first, with the number of other problems waiting; when nothing else is
// said it shows a lasting state of the window ("Paused", "Rewinding").
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace m5 {

inline constexpr int64_t NOTICE_US = 2'000'000;  // how long a notice shows
inline constexpr int64_t NOTICE_FADE_US = 500'000;
inline constexpr size_t MAX_PROBLEMS = 20;  // the oldest unread go beyond this

struct StatusView {
    std::string text;    // "" when the line is empty
    int32_t others = 0;  // problems waiting behind the one shown
    bool problem = false;
    double opacity = 1.0;  // a notice fading out
};

class StatusLine {
public:
    void add_problem(const std::string& text, int64_t now_us);
    void add_notice(const std::string& text, int64_t now_us);
    // The problem shown is read: the next one shows. False when the line
    // showed no problem.
    bool dismiss(int64_t now_us);
    // Ends the notice at once (the state it told of is over).
    void end_notice() { notice_until_us = 0; }
    StatusView view(int64_t now_us, const std::string& lasting) const;
    // True while a notice shows (the line must be redrawn as it fades).
    bool notice_live(int64_t now_us) const { return now_us < notice_until_us; }
    size_t problem_count() const { return problems.size(); }

private:
    std::deque<std::string> problems;  // newest first
    int64_t problem_at_us = -1;        // when the newest arrived
    std::string notice;
    int64_t notice_at_us = 0;
    int64_t notice_until_us = 0;
};

}  // namespace m5
