#pragma once
// Pictures for the full screen and slideshow windows, ready to draw: the display rule applied
// and the picture scaled, with good quality, to the size it is drawn at. TSlideLoader decodes
// the photos the show will need next on a worker thread while the current one is on screen, so
// a tick only has to swap pictures.

#include <QImage>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TSlideshow.h"
#include "ViewMath.h"

namespace viewer {

// A picture placed on a screen of W x H.
struct TSlideFrame {
    bool ok = false;
    std::string error;  // the decoder's error when !ok
    QImage image;       // the picture at the size it is drawn at (rect's size)
    TRect rect;         // where it is drawn: centred; larger than the screen when cut off
};

// The display rule (FullScreenRect) for a decoded picture; the picture is scaled smoothly when
// it is drawn at another size. A null picture or screen gives a frame that is not ok.
TSlideFrame MakeFrame(const QImage& picture, int screenWidth, int screenHeight, bool resizeFull);

// Decodes a picture file (JPEG upright by its EXIF orientation, or any format Qt reads) and
// makes its frame. A JPEG larger than the screen both ways is decoded at a reduced scale that
// still leaves it larger both ways, which the display rule then fits, so the result looks the
// same and costs a fraction of a full decode.
TSlideFrame LoadFrame(const std::string& path, int screenWidth, int screenHeight, bool resizeFull);

class TSlideLoader {
public:
    // ahead = false decodes only when a frame is taken (no worker thread).
    TSlideLoader(int screenWidth, int screenHeight, bool resizeFull, bool ahead = true);
    ~TSlideLoader();  // waits for the decode in hand, drops the rest
    TSlideLoader(const TSlideLoader&) = delete;
    TSlideLoader& operator=(const TSlideLoader&) = delete;

    // Queues the file for decoding on the worker thread, unless it is ready or queued already.
    void Prefetch(const std::string& path);
    // The frame of the file: a ready one at once, one being decoded when it is done, otherwise
    // decoded on the calling thread. Ready frames stay until Keep drops them.
    TSlideFrame Take(const std::string& path);
    // Drops the ready frames and queued files not named (the show keeps the photos around the
    // current one).
    void Keep(const std::vector<std::string>& paths);
    // Whether the file's frame is ready.
    bool Ready(const std::string& path) const;
    // How many files were decoded, on either thread.
    int DecodeCount() const;

private:
    void Run();

    const int width_;
    const int height_;
    const bool resizeFull_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;  // work queued or stopping
    std::condition_variable done_;  // a frame became ready
    std::deque<std::string> queue_;
    std::string busy_;  // the file the worker is decoding ("" for none)
    bool working_ = false;
    std::map<std::string, TSlideFrame> ready_;
    bool stop_ = false;
    int decodes_ = 0;
    std::thread worker_;
};

// After a photo of the show is on screen: keeps its frame and those of the photos either side
// and has the worker decode those two ahead, the next one first (the timer goes that way).
void PrepareAround(TSlideLoader& loader, const TSlideSequence& sequence);

}  // namespace viewer
