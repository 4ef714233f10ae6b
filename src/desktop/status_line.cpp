#include "desktop/status_line.h"

#include <algorithm>

namespace m5 {

void StatusLine::add_problem(const std::string& text, int64_t now_us) {
    problems.push_front(text);
    if (problems.size() > MAX_PROBLEMS) problems.pop_back();
    problem_at_us = now_us;
}

void StatusLine::add_notice(const std::string& text, int64_t now_us) {
    notice = text;
    notice_at_us = now_us;
    notice_until_us = now_us + NOTICE_US;
}

bool StatusLine::dismiss(int64_t now_us) {
    if (!view(now_us, "").problem) return false;
    problems.pop_front();
    return true;
}

StatusView StatusLine::view(int64_t now_us, const std::string& lasting) const {
    StatusView result;
    const bool notice_newer = notice_live(now_us) && notice_at_us >= problem_at_us;
    if (!problems.empty() && !notice_newer) {
        result.text = problems.front();
        result.others = static_cast<int32_t>(problems.size()) - 1;
        result.problem = true;
        return result;
    }
    result.others = static_cast<int32_t>(problems.size());
    if (notice_live(now_us)) {
        result.text = notice;
        const int64_t left = notice_until_us - now_us;
        result.opacity = std::clamp(static_cast<double>(left) / NOTICE_FADE_US, 0.0, 1.0);
    } else {
        result.text = lasting;
    }
    return result;
}

}  // namespace m5
