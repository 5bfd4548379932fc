#pragma once
// The photo pane's picture view (imageBox): draws one picture stretched over a rectangle of
// itself and fills the rest with its background colour. In fit mode the view fills the scroll
// box and the rectangle is the fitted, centred picture; in zoom mode the view has the zoomed
// size and the rectangle is all of it. Only the exposed part is drawn, so a picture zoomed to
// ten times its size costs no more to paint than the screen it covers.
//
// Reductions are drawn smoothly from a cached copy of the drawn size; enlargements show the
// picture's pixels as blocks.

#include <QImage>
#include <QRect>
#include <QWidget>

class TPhotoView : public QWidget {
    Q_OBJECT
public:
    explicit TPhotoView(QWidget* parent = nullptr);

    // The picture (shared, not copied) and where it is drawn, in this widget's coordinates.
    void SetPicture(const QImage& picture, const QRect& drawn);
    const QImage& Picture() const { return picture_; }
    QRect DrawnRect() const { return drawn_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void PaintPart(QPainter& p, const QRect& exposed);
    const QImage& Reduced();

    QImage picture_;
    QRect drawn_;
    QImage reduced_;       // picture_ smoothly scaled to drawn_'s size, made when first needed
    qint64 reducedKey_ = 0;
};
