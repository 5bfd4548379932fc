#pragma once
// The slideshow without its window: which photos the show steps through, the step rules of the
// timer and the arrow keys, the settings dialog's delay text and the close button's corner.

#include <optional>
#include <string>
#include <vector>

namespace viewer {

// What the "Looping" group of the settings dialog chose.
enum class TSlideLoop {
    Continuous,      // "Loop continouosly": after the last photo the first follows
    CloseAfterLast,  // "Close afer the last image": the step after the last photo ends the show
};

// The photos of a show and the one on screen. Photo k of the show is the k-th of the album's
// row paths that names a file; rows whose file was missing at the album's last refresh (an
// empty row path) are left out, so the show never stops on a photo it cannot have.
class TSlideSequence {
public:
    TSlideSequence() = default;
    TSlideSequence(const std::vector<std::string>& rowPaths, TSlideLoop loop = TSlideLoop::Continuous);

    bool Empty() const { return paths_.empty(); }
    int Count() const { return static_cast<int>(paths_.size()); }
    int Index() const { return index_; }
    int Last() const { return Count() - 1; }
    const std::string& Path(int k) const { return paths_.at(static_cast<std::size_t>(k)); }
    const std::string& CurrentPath() const { return Path(index_); }
    const std::vector<std::string>& Paths() const { return paths_; }

    // Back to the first photo.
    void Restart() { index_ = 0; }
    // The timer's tick and Right: the next photo, the first after the last. With CloseAfterLast
    // the step after the last photo returns false and the index stays: the show ends.
    bool Forward();
    // Left: the previous photo, the last before the first (in either looping mode).
    void Back();
    // The photo a forward / backward step would show (for decoding it ahead); none when the
    // show has a single photo or a forward step would end it.
    std::optional<int> NextIndex() const;
    std::optional<int> PreviousIndex() const;

private:
    std::vector<std::string> paths_;
    TSlideLoop loop_ = TSlideLoop::Continuous;
    int index_ = 0;
};

// The settings dialog's seconds box as the show's interval.
struct TSlideInterval {
    bool ok = false;
    int milliseconds = 0;  // 0: no automatic advance
    std::string error;     // why the text was refused, for the message box
};

// Decimal integer text (blanks around it allowed, an optional sign) times 1000. A text that is
// not an integer is refused with "'<text>' is not a valid integer value"; a negative number or
// one whose milliseconds do not fit the timer is refused with a message that gives the range.
TSlideInterval ParseSlideSeconds(const std::string& text);

// The close button shows while the pointer is in the window's top-right corner: y < 50 and
// x > width - 50.
bool InCloseCorner(int x, int y, int windowWidth);

}  // namespace viewer
