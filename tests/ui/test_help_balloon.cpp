// The balloon hint: its four positions around the point it shows, closing, and the presenter
// that finds the control a first-use hint points at.
#include <QApplication>
#include <QScreen>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "TBalloonHint.h"

namespace {

// A window with a button in its middle, shown, so that screen positions are real.
struct Scene {
    QWidget window;
    QPushButton* button;
    Scene() {
        window.setObjectName("mainWindow");
        window.setGeometry(300, 300, 400, 300);
        button = new QPushButton("Share", &window);
        button->setObjectName("btnAlbumShare");
        button->setGeometry(150, 130, 100, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
};

// True when the hint paints something at a point of its own (the tail must reach its tip).
bool Painted(TBalloonHint& hint, QPoint local) {
    const QImage img = hint.grab().toImage();
    return img.valid(local) && qAlpha(img.pixel(local)) > 0;
}

}  // namespace

class TestBalloonHint : public QObject {
    Q_OBJECT
private slots:
    void fourPositionsAroundTheTip() {
        Scene s;
        TBalloonHint hint(&s.window);
        const struct {
            THintPosition position;
            bool above, left;
        } cases[] = {{THintPosition::AboveLeft, true, true},
                     {THintPosition::AboveRight, true, false},
                     {THintPosition::BelowLeft, false, true},
                     {THintPosition::BelowRight, false, false}};
        for (const auto& c : cases) {
            hint.SetPosition(c.position);
            hint.ShowHint("Click this button to open the Import bar to start importing photos into this album.",
                          s.button);
            QVERIFY(hint.isVisible());
            const QPoint tip = hint.TipPoint();
            QCOMPARE(tip, TBalloonHint::AnchorPoint(s.button, c.position));
            // The anchor is the middle of the control's top edge (above) or bottom edge (below).
            const QRect b(s.button->mapToGlobal(QPoint(0, 0)), s.button->size());
            QCOMPARE(tip.x(), b.left() + b.width() / 2);
            QCOMPARE(tip.y(), c.above ? b.top() : b.bottom());

            const QRect g = hint.geometry();
            const QRect body = hint.BodyRect().translated(g.topLeft());
            if (c.above) QVERIFY2(body.bottom() < tip.y(), "box must sit above the tip");
            else QVERIFY2(body.top() > tip.y(), "box must sit below the tip");
            if (c.left) QVERIFY2(body.center().x() < tip.x(), "box must reach out to the left");
            else QVERIFY2(body.center().x() > tip.x(), "box must reach out to the right");
            QVERIFY(g.contains(tip));
            QVERIFY2(Painted(hint, tip - g.topLeft()), "the tail does not reach the tip");
            QVERIFY(Painted(hint, hint.BodyRect().center()));
        }
    }

    void staysOnTheScreenNearItsEdges() {
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window;
        window.setGeometry(avail);
        auto* atLeft = new QPushButton("L", &window);
        atLeft->setGeometry(0, 200, 20, 20);
        auto* atRight = new QPushButton("R", &window);
        atRight->setGeometry(avail.width() - 20, 200, 20, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        TBalloonHint hint(&window);
        const QString text = QString::fromLatin1(hint::kTextImport);
        const struct {
            QWidget* control;
            THintPosition position;
        } cases[] = {{atLeft, THintPosition::AboveLeft}, {atLeft, THintPosition::BelowLeft},
                     {atRight, THintPosition::AboveRight}, {atRight, THintPosition::BelowRight}};
        for (const auto& c : cases) {
            hint.SetPosition(c.position);
            hint.ShowHint(text, c.control);
            QVERIFY2(avail.contains(hint.geometry()), "the balloon leaves the screen");
            QCOMPARE(hint.TipPoint(), TBalloonHint::AnchorPoint(c.control, c.position));
            QVERIFY(Painted(hint, hint.TipPoint() - hint.pos()));
        }
    }

    void textWrapsAndReplacesTheLastHint() {
        Scene s;
        TBalloonHint hint(&s.window);
        hint.ShowHint("short", s.button);
        const int shortWidth = hint.width();
        hint.ShowHint(QString("a long line of words ").repeated(12), s.button);
        QCOMPARE(hint.Text(), QString("a long line of words ").repeated(12));
        QVERIFY(hint.width() > shortWidth);
        QVERIFY2(hint.width() < 320, "long texts wrap instead of widening the balloon");
        QVERIFY(hint.BodyRect().height() > 3 * hint.fontMetrics().height());
    }

    void closesOnClickAndHasAHideTimer() {
        Scene s;
        TBalloonHint hint(&s.window);
        hint.ShowHint("Click me", s.button);
        QVERIFY(hint.HideTimer().isActive());
        QCOMPARE(hint.HideTimer().interval(), hint.HideAfterFor("Click me"));
        QVERIFY(hint.HideAfterFor("Click me") >= 5000);
        QVERIFY(hint.HideAfterFor(QString(300, 'x')) > hint.HideAfterFor("Click me"));
        hint.SetHideAfter(1234);
        QCOMPARE(hint.HideAfterFor("x"), 1234);

        QTest::mouseClick(&hint, Qt::LeftButton, {}, hint.BodyRect().center());
        QVERIFY(!hint.isVisible());
        QVERIFY(!hint.HideTimer().isActive());
    }

    void presenterFindsTheNamedControl() {
        Scene s;
        TBalloonHint hint(&s.window);
        TBalloonHintPresenter presenter(hint, &s.window);

        // By object name below the root window, with the position given.
        presenter.ShowHint("By name", "btnAlbumShare", THintPosition::BelowLeft);
        QCOMPARE(hint.Position(), THintPosition::BelowLeft);
        QCOMPARE(hint.TipPoint(), TBalloonHint::AnchorPoint(s.button, THintPosition::BelowLeft));

        // A registered name wins over object names.
        QPushButton* other = new QPushButton("Other", &s.window);
        other->setGeometry(10, 10, 60, 20);
        other->show();
        presenter.SetTarget("btnAlbumShare", other);
        presenter.ShowHint("Registered", "btnAlbumShare", THintPosition::AboveRight);
        QCOMPARE(hint.TipPoint(), TBalloonHint::AnchorPoint(other, THintPosition::AboveRight));

        // A control that is missing or hidden: the hint still appears, in the middle of the window.
        const QPoint middle = s.window.mapToGlobal(s.window.rect().center());
        presenter.ShowHint("Nowhere", "lnkNoSuchLink", THintPosition::AboveRight);
        QVERIFY(hint.isVisible());
        QCOMPARE(hint.TipPoint(), middle);
        other->hide();
        presenter.ShowHint("Hidden", "btnAlbumShare", THintPosition::AboveRight);
        QCOMPARE(hint.TipPoint(), middle);
        QCOMPARE(hint.Text(), QString("Hidden"));

        // The program's bytes reach the screen in the local 8-bit encoding.
        presenter.ShowHint("Caf\xC3\xA9", "lnkNoSuchLink", THintPosition::AboveRight);
        QCOMPARE(hint.Text(), QString::fromUtf8("Caf\xC3\xA9"));
    }
};

QTEST_MAIN(TestBalloonHint)
#include "test_help_balloon.moc"
