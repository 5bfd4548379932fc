#include "TSlideLoader.h"

#include <algorithm>

#include "JpegCodec.h"

namespace viewer {

TSlideFrame MakeFrame(const QImage& picture, int screenWidth, int screenHeight, bool resizeFull) {
    TSlideFrame f;
    if (picture.isNull() || screenWidth <= 0 || screenHeight <= 0) {
        f.error = "There is no picture to show.";
        return f;
    }
    f.rect = FullScreenRect(picture.width(), picture.height(), screenWidth, screenHeight, resizeFull);
    if (f.rect.width <= 0 || f.rect.height <= 0) {
        f.error = "There is no picture to show.";
        return f;
    }
    if (f.rect.width == picture.width() && f.rect.height == picture.height())
        f.image = picture;
    else
        f.image = picture.scaled(f.rect.width, f.rect.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (f.image.isNull()) {
        f.error = "There is not enough memory to show this picture.";
        return f;
    }
    f.ok = true;
    return f;
}

TSlideFrame LoadFrame(const std::string& path, int screenWidth, int screenHeight, bool resizeFull) {
    QImage picture;
    std::string error;
    // Asking for one pixel more than the screen both ways keeps a reduced decode strictly
    // larger than the screen, so the display rule treats it as it would the full picture.
    if (!imaging::LoadPicture(path, picture, error, screenWidth + 1, screenHeight + 1)) {
        TSlideFrame f;
        f.error = error.empty() ? "The picture could not be read." : error;
        return f;
    }
    return MakeFrame(picture, screenWidth, screenHeight, resizeFull);
}

TSlideLoader::TSlideLoader(int screenWidth, int screenHeight, bool resizeFull, bool ahead)
    : width_(screenWidth), height_(screenHeight), resizeFull_(resizeFull) {
    if (ahead) worker_ = std::thread([this] { Run(); });
}

TSlideLoader::~TSlideLoader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void TSlideLoader::Prefetch(const std::string& path) {
    if (!worker_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        if (ready_.count(path) || (working_ && busy_ == path) ||
            std::find(queue_.begin(), queue_.end(), path) != queue_.end())
            return;
        queue_.push_back(path);
    }
    wake_.notify_one();
}

TSlideFrame TSlideLoader::Take(const std::string& path) {
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return !(working_ && busy_ == path); });
        if (auto it = ready_.find(path); it != ready_.end()) return it->second;
        // Not started yet: decoding it here is as quick as waiting for the worker.
        queue_.erase(std::remove(queue_.begin(), queue_.end(), path), queue_.end());
        ++decodes_;
    }
    TSlideFrame f = LoadFrame(path, width_, height_, resizeFull_);
    std::lock_guard lock(mutex_);
    ready_[path] = f;
    return f;
}

void TSlideLoader::Keep(const std::vector<std::string>& paths) {
    std::lock_guard lock(mutex_);
    const auto named = [&](const std::string& p) { return std::find(paths.begin(), paths.end(), p) != paths.end(); };
    for (auto it = ready_.begin(); it != ready_.end();) it = named(it->first) ? std::next(it) : ready_.erase(it);
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [&](const std::string& p) { return !named(p); }),
                 queue_.end());
}

bool TSlideLoader::Ready(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return ready_.count(path) != 0;
}

int TSlideLoader::DecodeCount() const {
    std::lock_guard lock(mutex_);
    return decodes_;
}

void TSlideLoader::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        busy_ = queue_.front();
        queue_.pop_front();
        working_ = true;
        ++decodes_;
        const std::string path = busy_;
        lock.unlock();
        TSlideFrame f = LoadFrame(path, width_, height_, resizeFull_);
        lock.lock();
        ready_[path] = std::move(f);
        working_ = false;
        busy_.clear();
        done_.notify_all();
    }
}

void PrepareAround(TSlideLoader& loader, const TSlideSequence& sequence) {
    if (sequence.Empty()) return;
    std::vector<std::string> keep = {sequence.CurrentPath()};
    if (const auto next = sequence.NextIndex()) keep.push_back(sequence.Path(*next));
    if (const auto previous = sequence.PreviousIndex()) keep.push_back(sequence.Path(*previous));
    loader.Keep(keep);
    for (std::size_t i = 1; i < keep.size(); ++i) loader.Prefetch(keep[i]);
}

}  // namespace viewer
