// Full screen and the slideshow on a screen with two device pixels per logical pixel: the
// picture is prepared at the screen's device pixels and drawn one to one, not made at the
// logical size and enlarged.
#include <QtTest>

#include <QScreen>

#include "JpegCodec.h"
#include "ScriptedMessages.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "frmFullU.h"
#include "frmShowU.h"

namespace {

// A picture of one-pixel black and white columns: any resampling greys it.
QImage Stripes(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) img.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return img;
}

QSize DeviceScreen() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s->geometry().size() * s->devicePixelRatio();
}

// Whether the window shows the stripes sharply over its whole width, in device pixels.
bool ShowsStripesSharply(QWidget& w) {
    const QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shot.size() != DeviceScreen()) return false;
    const int y = shot.height() / 2;
    for (int x = 0; x < shot.width(); ++x)
        if (shot.pixel(x, y) != (x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0))) return false;
    return true;
}

}  // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
private slots:
    void screenHasTwoDevicePixelsPerPixel();
    void fullScreenPreparesThePictureAtDevicePixels();
    void slideshowPreparesThePictureAtDevicePixels();
};

void TestHiDpi::screenHasTwoDevicePixelsPerPixel() {
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
}

void TestHiDpi::fullScreenPreparesThePictureAtDevicePixels() {
    testsupport::TempDir dir;
    TSettingsStore settings(dir.file("user.conf"), dir.file("machine.conf"));
    settings.WriteBool("Images", "showFullTip", false);
    const QSize device = DeviceScreen();
    TfrmFull full(settings);
    // A picture of 4 : 3 far larger than the screen is fitted to the screen's device pixels.
    QImage big(device.width() * 4, device.height() * 4, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    full.SetPicture(big, false);
    full.CoverScreen(nullptr);
    full.show();
    QTRY_VERIFY(full.Picture()->Frame().ok);
    QCOMPARE(full.Picture()->Frame().image.size(), device);
    full.hide();

    // A picture of exactly the screen's device size is shown at its own size, pixel for pixel.
    full.SetPicture(Stripes(device), false);
    full.show();
    QTRY_VERIFY(full.Picture()->Frame().ok);
    QCOMPARE(full.Picture()->Frame().image.size(), device);
    QVERIFY(ShowsStripesSharply(full));
    full.hide();
}

void TestHiDpi::slideshowPreparesThePictureAtDevicePixels() {
    testsupport::TempDir dir;
    testsupport::ScriptedMessages messages;
    const QSize device = DeviceScreen();
    const std::string path = dir.file("stripes.bmp");
    std::string error;
    QVERIFY(imaging::SaveBmp(Stripes(device), path, error));
    TfrmShow show(messages);
    show.SetDecodeAhead(false);
    show.Prepare({path}, 0, false, viewer::TSlideLoop::Continuous, false);
    show.CoverScreen(nullptr);
    show.show();
    QTRY_VERIFY(show.Picture()->Frame().ok);
    QCOMPARE(show.Picture()->Frame().image.size(), device);
    QVERIFY(ShowsStripesSharply(show));
    show.hide();
    QVERIFY(messages.asked.empty());
}

int main(int argc, char** argv) {
    // Before the application exists: every screen shows two device pixels per logical one.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hidpi.moc"
