// The album pane's photo list: row measuring, the waiting rows, refilling, and the drawing of
// the selected row's picture mixed with the selection colour.
#include <QtTest>

#include "TAppWindows.h"
#include "TPhotoList.h"
#include "TestSupport.h"

class TestPhotoList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ApplyLookAndFeel(*qApp); }
    void tintMixesHalfAndHalf();
    void rowHeightsFollowThePictures();
    void fillMakesOwnCopiesAndDropsSelection();
    void drawsPictureCentredAndSelectedTinted();
    void sharedRowPicturesAreReadForTheRowsPainted();
};

void TestPhotoList::tintMixesHalfAndHalf() {
    QImage img(2, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(255, 0, 101));
    img.setPixel(1, 0, qRgb(10, 20, 30));
    QImage t = TintedCopy(img, QColor(48, 140, 198));
    QCOMPARE(t.size(), img.size());
    QCOMPARE(t.pixel(0, 0), qRgb((255 + 48) / 2, (0 + 140) / 2, (101 + 198) / 2));
    QCOMPARE(t.pixel(1, 0), qRgb(29, 80, 114));
    // The picture itself is left alone.
    QCOMPARE(img.pixel(0, 0), qRgb(255, 0, 101));
}

void TestPhotoList::rowHeightsFollowThePictures() {
    TPhotoList list;
    list.resize(145, 400);
    const int text = list.fontMetrics().height();
    QCOMPARE(list.RowPictureHeight(), 0);
    list.ShowWaitingRows();
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.item(0)->text(), QString("Please wait..."));
    QCOMPARE(list.item(1)->text(), QString("Generating Thumbnails"));
    QCOMPARE(list.visualItemRect(list.item(0)).height(), text);

    QImage pic(100, 80, QImage::Format_RGB32);
    pic.fill(Qt::green);
    list.Fill({pic}, {"Beach"});
    QCOMPARE(list.RowPictureHeight(), 80);
    QCOMPARE(list.visualItemRect(list.item(0)).height(), text + 80);
    // Once pictures have been shown, the waiting rows are that tall as well.
    list.ShowWaitingRows();
    QCOMPARE(list.visualItemRect(list.item(1)).height(), text + 80);
    // An empty album keeps the height of the last pictures.
    list.Fill({}, {});
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.RowPictureHeight(), 80);
}

void TestPhotoList::fillMakesOwnCopiesAndDropsSelection() {
    TPhotoList list;
    // A picture of another size is cut or padded to 100 x 80.
    QImage big(400, 100, QImage::Format_ARGB32);
    big.fill(Qt::blue);
    QImage small(50, 40, QImage::Format_RGB32);
    small.fill(Qt::red);
    list.Fill({big, small}, {"Big", "Small"});
    list.setCurrentRow(0);
    QCOMPARE(list.selectedItems().size(), 1);
    QImage row0 = list.item(0)->data(Qt::UserRole + 1).value<QImage>();
    QImage row1 = list.item(1)->data(Qt::UserRole + 1).value<QImage>();
    QCOMPARE(row0.size(), QSize(100, 80));
    QCOMPARE(row0.format(), QImage::Format_RGB32);
    QCOMPARE(row0.pixel(99, 79), qRgb(0, 0, 255));
    QCOMPARE(row1.pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(row1.pixel(60, 50), qRgb(255, 255, 255));
    QCOMPARE(list.item(1)->text(), QString("Small"));
    list.Fill({small}, {"Again"});
    QVERIFY(list.selectedItems().isEmpty());
    QCOMPARE(list.count(), 1);

    // A thumbnail that is already 100 x 80 at 32 bits is shared with the album view, not copied:
    // ten thousand rows would otherwise hold a second 320 MB.
    QImage thumb(100, 80, QImage::Format_RGB32);
    thumb.fill(Qt::green);
    list.Fill({thumb, thumb}, {"One", "Two"});
    const QImage shared = list.item(1)->data(Qt::UserRole + 1).value<QImage>();
    QCOMPARE(shared.constBits(), thumb.constBits());
}

void TestPhotoList::drawsPictureCentredAndSelectedTinted() {
    TPhotoList list;
    list.resize(160, 400);
    list.setFrameShape(QFrame::NoFrame);
    QImage pic(100, 80, QImage::Format_RGB32);
    pic.fill(qRgb(200, 100, 0));
    list.Fill({pic, pic}, {"First", "Second"});
    list.show();
    list.setCurrentRow(1);
    QCoreApplication::processEvents();
    const QImage shot = list.viewport()->grab().toImage();
    const QRect r0 = list.visualItemRect(list.item(0));
    const QRect r1 = list.visualItemRect(list.item(1));
    const int x = (r0.width() - 100) / 2;
    const QColor base = list.palette().color(QPalette::Active, QPalette::Base);
    const QColor sel = list.palette().color(QPalette::Active, QPalette::Highlight);
    // Unselected: the picture as it is, centred, the list colour beside it.
    QCOMPARE(QColor(shot.pixel(r0.left() + x + 50, r0.top() + 40)), QColor(200, 100, 0));
    QCOMPARE(QColor(shot.pixel(r0.left() + x - 2, r0.top() + 40)), base);
    // Selected: half way to the selection colour, on the selection colour.
    QCOMPARE(QColor(shot.pixel(r1.left() + x + 50, r1.top() + 40)),
             QColor((200 + sel.red()) / 2, (100 + sel.green()) / 2, (0 + sel.blue()) / 2));
    QCOMPARE(QColor(shot.pixel(r1.left() + x - 2, r1.top() + 40)), sel);
}

void TestPhotoList::sharedRowPicturesAreReadForTheRowsPainted() {
    testsupport::TempDir tmp;
    auto store = std::make_shared<TRowPictures>();
    QImage pic(100, 80, QImage::Format_RGB32);
    pic.fill(qRgb(200, 100, 0));
    QImage small(50, 40, QImage::Format_RGB32);
    small.fill(qRgb(0, 0, 255));
    const int p = store->AddPicture(pic);
    store->AddRow(p);
    store->AddRow(store->AddPicture(small));
    store->AddRow(p);

    TPhotoList list;
    list.resize(160, 400);
    list.setFrameShape(QFrame::NoFrame);
    list.FillFrom(store, {"First", "Small", "Again"});
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.item(2)->text(), QString("Again"));
    QCOMPARE(list.RowPictureHeight(), 80);
    // Rows hold no pixels of their own; a picture of another size is padded with white.
    QVERIFY(!list.item(0)->data(Qt::UserRole + 1).isValid());
    QCOMPARE(list.RowPicture(1).size(), QSize(100, 80));
    QCOMPARE(list.RowPicture(1).pixel(10, 10), qRgb(0, 0, 255));
    QCOMPARE(list.RowPicture(1).pixel(60, 50), qRgb(255, 255, 255));
    QVERIFY(list.RowPicture(3).isNull());

    list.show();
    list.setCurrentRow(2);
    QCoreApplication::processEvents();
    const QImage shot = list.viewport()->grab().toImage();
    const QRect r0 = list.visualItemRect(list.item(0));
    const QRect r1 = list.visualItemRect(list.item(1));
    const QRect r2 = list.visualItemRect(list.item(2));
    const int x = (r0.width() - 100) / 2;
    const QColor sel = list.palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(QColor(shot.pixel(r0.left() + x + 50, r0.top() + 40)), QColor(200, 100, 0));
    QCOMPARE(QColor(shot.pixel(r1.left() + x + 10, r1.top() + 10)), QColor(0, 0, 255));
    QCOMPARE(QColor(shot.pixel(r2.left() + x + 50, r2.top() + 40)),
             QColor((200 + sel.red()) / 2, (100 + sel.green()) / 2, (0 + sel.blue()) / 2));

    // The list shares the store and lets go of it with its rows.
    QCOMPARE(store.use_count(), 2L);
    list.ShowWaitingRows();
    QCOMPARE(store.use_count(), 1L);
    QVERIFY(list.RowPicture(0).isNull());
}

QTEST_MAIN(TestPhotoList)
#include "test_photolist.moc"
