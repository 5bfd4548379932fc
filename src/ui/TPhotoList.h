#pragma once
// The album pane's photo list: one row per photo of the open album, each a 100 x 80 picture with
// its caption centred under it. The list draws its rows itself; the selected row's picture is
// mixed half and half with the selection colour. The captions are the items' texts, so the rows
// are read out as list items by assistive technology.

#include <QImage>
#include <QListWidget>
#include <QString>

#include <memory>
#include <vector>

#include "TRowPictures.h"

class TPhotoList : public QListWidget {
    Q_OBJECT
public:
    explicit TPhotoList(QWidget* parent = nullptr);

    // Replaces every row by one per picture (in order) with its caption; each row holds a 100 x
    // 80, 32-bit picture: the given one itself (shared, not copied) when it is one already,
    // otherwise a copy drawn on white. Clears the selection.
    void Fill(const std::vector<QImage>& pictures, const std::vector<QString>& captions);
    // Replaces every row by one per row of pictures, read from there only when the row is
    // painted (shared, so the album view and the list hold the pixels once, and out of memory).
    void FillFrom(std::shared_ptr<const TRowPictures> pictures, const std::vector<QString>& captions);
    // The 100 x 80, 32-bit picture a row shows; a null image for a row without one.
    QImage RowPicture(int row) const;
    // Replaces every row by the two text rows shown while the album is being read, and paints
    // them at once.
    void ShowWaitingRows();

    // The height of the row pictures: 0 before the first fill, then the copies' height (80).
    int RowPictureHeight() const { return pictureHeight_; }

    static constexpr int kPictureWidth = 100;
    static constexpr int kPictureHeight = 80;

private:
    int pictureHeight_ = 0;
    std::shared_ptr<const TRowPictures> pictures_;  // set: the rows' pictures come from here
};

// A copy of picture whose red, green and blue are each (value + tint's value) / 2.
QImage TintedCopy(const QImage& picture, const QColor& tint);
