#pragma once
// Makes every write of this process past `bytes` into a file fail with EFBIG, the way a full
// disk fails it, for as long as the object lives. Works for root too (unlike a read-only folder).
#include <csignal>
#include <sys/resource.h>

namespace testsupport {

class TWriteLimit {
public:
    explicit TWriteLimit(rlim_t bytes) {
        old_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit r = saved_;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~TWriteLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_);
    }
    TWriteLimit(const TWriteLimit&) = delete;
    TWriteLimit& operator=(const TWriteLimit&) = delete;

private:
    rlimit saved_{};
    void (*old_)(int) = SIG_DFL;
};

}  // namespace testsupport
