#include "TPhotoView.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Reduced copies larger than this many pixels are not kept (128 MB at 32 bits); such reductions
// are drawn smoothly from the picture itself, part by part.
constexpr qint64 kMaxReducedPixels = qint64(1) << 25;

}  // namespace

TPhotoView::TPhotoView(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPhotoView::SetPicture(const QImage& picture, const QRect& drawn) {
    if (picture.cacheKey() == picture_.cacheKey() && drawn == drawn_) return;
    if (picture.cacheKey() != picture_.cacheKey() || drawn.size() != drawn_.size()) {
        reduced_ = QImage();
        reducedKey_ = 0;
    }
    picture_ = picture;
    drawn_ = drawn;
    update();
}

const QImage& TPhotoView::Reduced() {
    if (reducedKey_ != picture_.cacheKey() || reduced_.size() != drawn_.size()) {
        reduced_ = picture_.scaled(drawn_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        reducedKey_ = picture_.cacheKey();
    }
    return reduced_;
}

void TPhotoView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), palette().color(backgroundRole()));
    if (picture_.isNull() || drawn_.isEmpty()) return;
    for (const QRect& r : e->region()) PaintPart(p, r.intersected(drawn_));
}

void TPhotoView::PaintPart(QPainter& p, const QRect& exposed) {
    if (exposed.isEmpty()) return;
    const int w = picture_.width(), h = picture_.height();
    const int W = drawn_.width(), H = drawn_.height();
    if (W == w && H == h) {
        p.drawImage(exposed.topLeft(), picture_, exposed.translated(-drawn_.topLeft()));
        return;
    }
    const bool reduction = W <= w && H <= h;
    if (reduction && qint64(W) * H <= kMaxReducedPixels) {
        p.drawImage(exposed.topLeft(), Reduced(), exposed.translated(-drawn_.topLeft()));
        return;
    }
    // The source pixels under the exposed part (whole pixels, so enlarged pixels keep their
    // edges where they are in a full drawing), drawn over the part they cover.
    const double kx = double(w) / W, ky = double(h) / H;
    const QRect local = exposed.translated(-drawn_.topLeft());
    const int sx0 = std::clamp(int(std::floor(local.left() * kx)), 0, w - 1);
    const int sy0 = std::clamp(int(std::floor(local.top() * ky)), 0, h - 1);
    const int sx1 = std::clamp(int(std::ceil((local.right() + 1) * kx)), sx0 + 1, w);
    const int sy1 = std::clamp(int(std::ceil((local.bottom() + 1) * ky)), sy0 + 1, h);
    const QRectF target(drawn_.left() + sx0 / kx, drawn_.top() + sy0 / ky, (sx1 - sx0) / kx, (sy1 - sy0) / ky);
    p.save();
    p.setClipRect(exposed);
    p.setRenderHint(QPainter::SmoothPixmapTransform, reduction);
    p.drawImage(target, picture_, QRectF(sx0, sy0, sx1 - sx0, sy1 - sy0));
    p.restore();
}
