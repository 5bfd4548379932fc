#include "TThumbnailSaver.h"

#include "JpegCodec.h"
#include "TRowPictures.h"

TThumbnailSaver::~TThumbnailSaver() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) return;
        queue_.push_back(Job{QImage(), std::string(), nullptr, -1, true});
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TThumbnailSaver::Save(QImage picture, std::string path, std::shared_ptr<TRowPictures> store, int n) {
    if (failed_.load()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
        queue_.push_back(Job{std::move(picture), std::move(path), std::move(store), n, false});
    }
    wake_.notify_all();
}

void TThumbnailSaver::Commit() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) return;
        queue_.push_back(Job{QImage(), std::string(), nullptr, -1, true});
    }
    wake_.notify_all();
}

std::string TThumbnailSaver::WaitWritten() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [&] { return queue_.empty() && !busy_; });
    std::string error = std::move(error_);
    error_.clear();
    failed_ = false;
    return error;
}

void TThumbnailSaver::Finish() {
    Commit();
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [&] { return queue_.empty() && !busy_; });
}

void TThumbnailSaver::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            busy_ = false;
            if (queue_.empty()) idle_.notify_all();
            wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        if (job.commit) {
            CommitBatch();
            continue;
        }
        if (failed_.load()) continue;
        std::string bytes, error;
        bool ok = imaging::EncodeBmp(job.picture, bytes, error);
        if (ok) {
            ok = batch_.Add(job.path, bytes.data(), bytes.size());
            if (!ok) error = batch_.ErrorText();
        }
        if (!ok) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (error_.empty()) error_ = error.empty() ? "unknown error" : error;
            failed_ = true;
            continue;
        }
        job.picture = QImage();
        written_.push_back(std::move(job));
        if (written_.size() >= kBatchFiles) CommitBatch();
    }
}

void TThumbnailSaver::CommitBatch() {
    const std::vector<std::string> done = batch_.Commit();
    // done lists the files now in place, in the order they were written.
    std::size_t d = 0;
    for (Job& job : written_) {
        if (d < done.size() && done[d] == job.path) {
            ++d;
            if (job.store) job.store->MoveToFile(job.n, job.path);
        }
    }
    written_.clear();
}
