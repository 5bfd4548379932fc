#include "TPhotoList.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int kPictureRole = Qt::UserRole + 1;

class TPhotoRowDelegate : public QStyledItemDelegate {
public:
    explicit TPhotoRowDelegate(TPhotoList* list) : QStyledItemDelegate(list), list_(list) {}

    // A row is as high as its caption's text plus the list's picture height, so the two text
    // rows shown while an album is read are taller once pictures have been shown.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(list_->viewport()->width(), option.fontMetrics.height() + list_->RowPictureHeight());
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = list_->palette();
        const QColor brush = selected ? pal.color(QPalette::Active, QPalette::Highlight)
                                      : pal.color(QPalette::Active, QPalette::Base);
        p->save();
        p->fillRect(r, brush);
        int top = r.top();
        const QImage picture = list_->RowPicture(index.row());
        if (!picture.isNull()) {
            int x = (r.width() - picture.width()) / 2;
            p->drawImage(QPoint(r.left() + x, r.top()), selected ? TintedCopy(picture, brush) : picture);
            top += picture.height();
        }
        p->setFont(list_->font());
        p->setPen(pal.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(QRect(r.left(), top, r.width(), r.bottom() - top + 1), Qt::AlignHCenter | Qt::AlignTop,
                    index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            QPen pen(pal.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
            pen.setStyle(Qt::DotLine);
            p->setPen(pen);
            p->setBrush(Qt::NoBrush);
            p->drawRect(r.adjusted(0, 0, -1, -1));
        }
        p->restore();
    }

private:
    TPhotoList* list_;
};

}  // namespace

// A picture as a row shows it: 100 x 80 at 32 bits, a picture of another size cut or padded with
// white.
static QImage AsRowPicture(const QImage& picture) {
    if (picture.width() == TPhotoList::kPictureWidth && picture.height() == TPhotoList::kPictureHeight &&
        picture.format() == QImage::Format_RGB32)
        return picture;
    QImage copy(TPhotoList::kPictureWidth, TPhotoList::kPictureHeight, QImage::Format_RGB32);
    copy.fill(Qt::white);
    QPainter p(&copy);
    p.drawImage(QPoint(0, 0), picture);
    return copy;
}

QImage TintedCopy(const QImage& picture, const QColor& tint) {
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    const int tr = tint.red(), tg = tint.green(), tb = tint.blue();
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            QRgb c = line[x];
            line[x] = qRgb((qRed(c) + tr) / 2, (qGreen(c) + tg) / 2, (qBlue(c) + tb) / 2);
        }
    }
    return out;
}

TPhotoList::TPhotoList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new TPhotoRowDelegate(this));
    setUniformItemSizes(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void TPhotoList::Fill(const std::vector<QImage>& pictures, const std::vector<QString>& captions) {
    setUpdatesEnabled(false);
    clear();
    pictures_.reset();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const QImage& picture = pictures[i];
        // One already as a row shows it is shared, not copied (nothing paints on a row picture;
        // the selected row is drawn from a tinted copy).
        const QImage copy = AsRowPicture(picture);
        pictureHeight_ = copy.height();
        auto* item = new QListWidgetItem(i < captions.size() ? captions[i] : QString());
        item->setData(kPictureRole, copy);
        addItem(item);
    }
    setUpdatesEnabled(true);
}

void TPhotoList::FillFrom(std::shared_ptr<const TRowPictures> pictures, const std::vector<QString>& captions) {
    setUpdatesEnabled(false);
    clear();
    pictures_ = std::move(pictures);
    const std::size_t n = pictures_ ? pictures_->size() : 0;
    if (n > 0) pictureHeight_ = kPictureHeight;
    // All rows in one insertion, and all of one height (a caption line over a picture), so the
    // list neither handles 100,000 insertions nor measures 100,000 rows.
    QStringList texts;
    texts.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i) texts.push_back(i < captions.size() ? captions[i] : QString());
    setUniformItemSizes(true);
    addItems(texts);
    setUpdatesEnabled(true);
}

QImage TPhotoList::RowPicture(int row) const {
    if (row < 0 || row >= count()) return QImage();
    if (pictures_) {
        const QImage picture = (*pictures_)[std::size_t(row)];
        return picture.isNull() ? picture : AsRowPicture(picture);
    }
    return item(row)->data(kPictureRole).value<QImage>();
}

void TPhotoList::ShowWaitingRows() {
    clear();
    pictures_.reset();
    addItem("Please wait...");
    addItem("Generating Thumbnails");
    doItemsLayout();
    viewport()->repaint();
}
