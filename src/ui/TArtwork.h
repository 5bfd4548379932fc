#pragma once
// The program's pictures, drawn at run time with the painter so they are sharp at any size and
// device pixel ratio: the program's emblem (the album of the desktop icon), the decorative strip
// of photos, the donation picture; and two small widgets that show a drawing, one of them
// clickable.

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

#include <functional>

class QPainter;
class QRectF;

namespace artwork {

// The colours of the program's icon, shared by every picture.
inline const QColor kCover(59, 90, 140);
inline const QColor kSpine(42, 66, 112);
inline const QColor kSky(140, 200, 240);
inline const QColor kSun(255, 210, 60);
inline const QColor kHill(79, 154, 58);
inline const QColor kLine(200, 212, 234);
// The blue of headings and links.
inline const QColor kTitle(42, 66, 112);
inline const QColor kLink(28, 88, 178);

// The emblem: a photo album with a landscape photo on its cover, filling r (drawn on a square
// in its middle).
void DrawEmblem(QPainter& p, const QRectF& r);
// A landscape photo in a white frame with a soft shadow, centred on the origin, size w x h.
void DrawFramedPhoto(QPainter& p, double w, double h, const QColor& sky, const QColor& hill);
// A row of slightly turned photos across r, fading out to both ends.
void DrawPhotoStrip(QPainter& p, const QRectF& r);
// The donation picture: a rounded button face with a heart and the word "Donate".
void DrawDonatePicture(QPainter& p, const QRectF& r, bool hot);

using TDrawing = std::function<void(QPainter&, const QRectF&)>;

// A picture: the drawing fills the widget.
class TPicture : public QWidget {
public:
    TPicture(TDrawing drawing, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TDrawing drawing_;
};

// A clickable picture: a button (mouse, Space and Enter) drawn by its drawing; hot is true while
// the mouse is over it or it has the keyboard focus, which also shows a focus frame.
class TPictureButton : public QAbstractButton {
public:
    using THotDrawing = std::function<void(QPainter&, const QRectF&, bool hot)>;
    TPictureButton(THotDrawing drawing, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    THotDrawing drawing_;
};

}  // namespace artwork
