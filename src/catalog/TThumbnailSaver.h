#pragma once
// TThumbnailSaver: writes new thumbnails to the cache folder on a thread of its own, so the
// window's thread never waits for the disk.
//
// The cache is a cache: a file lost in a crash is made again from its photo. What must never
// happen is a half-written file under a thumbnail's name. Each file is written whole beside its
// name without a sync of its own; a batch of them is then made durable with one sync of the
// file system and only then renamed into place (TAtomicBatch). A batch ends every kBatchFiles
// files and at Commit.
//
// Once a picture's file is in place, the row store that holds the picture is told to read it
// from there (TRowPictures::MoveToFile), which gives its memory back.

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "FileIo.h"

class TRowPictures;

class TThumbnailSaver {
public:
    static constexpr std::size_t kBatchFiles = 1000;

    TThumbnailSaver() = default;
    ~TThumbnailSaver();  // commits what was written, then stops
    TThumbnailSaver(const TThumbnailSaver&) = delete;
    TThumbnailSaver& operator=(const TThumbnailSaver&) = delete;

    // Queues picture for the file path. store (may be null) holds it as picture number n.
    // Nothing is queued after a write failed, until WaitWritten reports it.
    void Save(QImage picture, std::string path, std::shared_ptr<TRowPictures> store, int n);
    // True once a write has failed (a full or read-only disk): the caller stops saving.
    bool Failed() const { return failed_.load(); }
    // Waits until every queued picture is written (not necessarily committed); returns why the
    // first failed write since the last call failed, or "" when none failed.
    std::string WaitWritten();
    // Ends the current batch: it is synced and renamed into place on the saver's thread.
    void Commit();
    // Waits until everything queued is written and in place.
    void Finish();

private:
    struct Job {
        QImage picture;
        std::string path;
        std::shared_ptr<TRowPictures> store;
        int n = -1;
        bool commit = false;  // a batch ends here
    };
    void Run();
    void CommitBatch();  // on the saver's thread

    std::mutex mutex_;
    std::condition_variable wake_;  // work queued or stopping
    std::condition_variable idle_;  // the queue ran empty
    std::deque<Job> queue_;
    bool busy_ = false;  // a job is being done
    bool stop_ = false;
    std::atomic<bool> failed_{false};
    std::string error_;
    std::thread thread_;

    // Only the saver's thread touches these.
    mlb2detail::TAtomicBatch batch_;
    std::deque<Job> written_;  // the batch's jobs, in order
};
