// The main window's geometry rules, placement string and command line, without any window.
#include <QtTest>

#include "TMainLayout.h"

using namespace mainlayout;

class TestMainLayout : public QObject {
    Q_OBJECT
private slots:
    void albumPaneAt145();
    void albumPaneFollowsItsWidth();
    void narrowPaneIsNotLaidOut();
    void collapseBelowThirty();
    void importBarArithmetic();
    void detailsAndPhotoArea();
    void placementRoundTrip();
    void placementRejectsOtherForms_data();
    void placementRejectsOtherForms();
    void placementFitsTheDesktop();
    void placementOffEveryScreenIsCentred();
    void placementNumbersAreClamped();
    void commandLine();
    void albumNameFromPath_data();
    void albumNameFromPath();
};

void TestMainLayout::albumPaneAt145() {
    TAlbumPaneLayout n = AlbumPaneLayout(145, 500, false);
    QVERIFY(n.laidOut);
    QCOMPARE(n.searchWidth, 125);
    QCOMPARE(n.searchLeft, 10);
    QCOMPARE(n.optionsWidth, 63);
    QCOMPARE(n.optionsLeft, 10);
    QCOMPARE(n.helpWidth, 61);
    QCOMPARE(n.helpLeft, 74);
    QCOMPARE(n.boxWidth, 145);
    QCOMPARE(n.listWidth, 145);
    QCOMPARE(n.searchBoxWidth, 145);
    QCOMPARE(n.listTop, 24);
    QCOMPARE(n.listHeight, 500 - 53);

    TAlbumPaneLayout s = AlbumPaneLayout(145, 500, true);
    QCOMPARE(s.listTop, 104);
    QCOMPARE(s.listHeight, 500 - 133);
    QCOMPARE(s.searchWidth, 125);
    QCOMPARE(s.optionsWidth, 63);
    QCOMPARE(s.helpLeft, 74);
}

void TestMainLayout::albumPaneFollowsItsWidth() {
    // An odd "Search" width halves toward zero: 31 -> 15, so "Options" is 31 - 15 = 16.
    TAlbumPaneLayout l = AlbumPaneLayout(51, 300, false);
    QCOMPARE(l.searchWidth, 31);
    QCOMPARE(l.optionsWidth, 16);
    QCOMPARE(l.helpWidth, 14);
    QCOMPARE(l.helpLeft, 27);
    // The smallest width that is laid out; the buttons may then be narrower than nothing, which
    // the window clamps.
    TAlbumPaneLayout m = AlbumPaneLayout(31, 300, false);
    QVERIFY(m.laidOut);
    QCOMPARE(m.searchWidth, 11);
    QCOMPARE(m.optionsWidth, 6);
}

void TestMainLayout::narrowPaneIsNotLaidOut() {
    QVERIFY(!AlbumPaneLayout(30, 500, false).laidOut);
    QVERIFY(!AlbumPaneLayout(0, 500, true).laidOut);
    QVERIFY(!AlbumPaneLayout(-5, 500, true).laidOut);
}

void TestMainLayout::collapseBelowThirty() {
    QCOMPARE(CollapsedWidth(20), 0);
    QCOMPARE(CollapsedWidth(29), 0);
    QCOMPARE(CollapsedWidth(30), 30);
    QCOMPARE(CollapsedWidth(145), 145);
    QCOMPARE(CollapsedWidth(0), 0);
}

void TestMainLayout::importBarArithmetic() {
    TImportBarLayout l = ImportBarLayout(145, 600, 17, 17, 22, 150, 29);
    QCOMPARE(l.closeLeft, 128);
    QCOMPARE(l.contentWidth, 145);
    QCOMPARE(l.driveTop, 17);
    QCOMPARE(l.folderTop, 17 + 22 + 1);
    QCOMPARE(l.photosTop, 17 + 22 + 150 + 1);
    QCOMPARE(l.photosHeight, 600 - 22 - 150 - 29 - 17);
}

void TestMainLayout::detailsAndPhotoArea() {
    QCOMPARE(ImageToolStripWidth(600), 600 - 185 - 6);
    QCOMPARE(ImageToolStripWidth(600, 100), 494);
    // Halving is toward zero on each side separately: 301/2 - 100/2 = 150 - 50.
    QCOMPARE(CentreOffset(301, 100), 100);
    QCOMPARE(CentreOffset(300, 101), 150 - 50);
    QCOMPARE(CentreOffset(100, 100), 0);
    QCOMPARE(CentreOffset(100, 400), 0);
}

void TestMainLayout::placementRoundTrip() {
    TWindowPlacement p;
    p.flags = 0;
    p.showCmd = kShowMaximized;
    p.normal = {-8, 12, 806, 556};
    const std::string s = FormatPlacement(p);
    QCOMPARE(QString::fromStdString(s), QString("200,0,3,-8,12,806,556"));
    std::optional<TWindowPlacement> back = ParsePlacement(s);
    QVERIFY(back.has_value());
    QVERIFY(*back == p);
}

void TestMainLayout::placementRejectsOtherForms_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("other tag") << "201,0,1,0,0,800,600";
    QTest::newRow("six fields") << "200,0,1,0,0,800";
    QTest::newRow("eight fields") << "200,0,1,0,0,800,600,1";
    QTest::newRow("empty field") << "200,0,,0,0,800,600";
    QTest::newRow("trailing comma") << "200,0,1,0,0,800,600,";
    QTest::newRow("letters") << "200,0,1,0,0,80x,600";
    QTest::newRow("spaces") << "200, 0,1,0,0,800,600";
    QTest::newRow("plus sign") << "200,+0,1,0,0,800,600";
    QTest::newRow("out of range") << "200,0,1,0,0,99999999999,600";
    QTest::newRow("no width") << "200,0,1,100,0,100,600";
    QTest::newRow("upside down") << "200,0,1,0,600,800,0";
}

void TestMainLayout::placementRejectsOtherForms() {
    QFETCH(QString, text);
    QVERIFY(!ParsePlacement(text.toStdString()).has_value());
}

void TestMainLayout::placementFitsTheDesktop() {
    const TRect desktop{0, 0, 1280, 1024};
    // 100 pixels beyond the right edge: moved 100 to the left, same width.
    TRect r = FitToDesktop({1000, 100, 1380, 500}, desktop);
    QCOMPARE(r.left, 900);
    QCOMPARE(r.right, 1280);
    QCOMPARE(r.top, 100);
    QCOMPARE(r.Width(), 380);
    // And likewise below.
    TRect b = FitToDesktop({10, 900, 410, 1100}, desktop);
    QCOMPARE(b.top, 824);
    QCOMPARE(b.bottom, 1024);
    QCOMPARE(b.Height(), 200);
    // Inside: untouched; beyond the left or top edge: left alone by the fitting itself.
    QVERIFY(FitToDesktop({10, 10, 500, 400}, desktop) == (TRect{10, 10, 500, 400}));
    QVERIFY(FitToDesktop({-50, -20, 500, 400}, desktop) == (TRect{-50, -20, 500, 400}));
}

void TestMainLayout::placementOffEveryScreenIsCentred() {
    const TRect primary{0, 0, 1280, 1024};
    const std::vector<TRect> one{primary};
    // Wholly left of the only screen: centred on it, its size kept.
    TRect r = RestoredRect({-2000, 50, -1200, 650}, primary, one, primary);
    QCOMPARE(r.Width(), 800);
    QCOMPARE(r.Height(), 600);
    QCOMPARE(r.left, 240);
    QCOMPARE(r.top, 212);
    // Partly on the screen: kept where it is.
    QVERIFY(RestoredRect({-100, 50, 700, 650}, primary, one, primary) == (TRect{-100, 50, 700, 650}));
    // Two screens side by side with the window on the second: kept.
    const std::vector<TRect> two{primary, {1280, 0, 2560, 1024}};
    const TRect both{0, 0, 2560, 1024};
    QVERIFY(RestoredRect({1400, 100, 2200, 700}, both, two, primary) == (TRect{1400, 100, 2200, 700}));
    // The second screen is gone: the window would have been right of the desktop, so it is
    // first fitted back onto it.
    TRect gone = RestoredRect({1400, 100, 2200, 700}, primary, one, primary);
    QCOMPARE(gone.right, 1280);
    QCOMPARE(gone.Width(), 800);
    // A window in the gap of an L-shaped desktop lies on no screen: centred on the primary.
    const std::vector<TRect> ell{primary, {1280, 0, 2560, 512}};
    TRect gap = RestoredRect({1500, 700, 1900, 1000}, both, ell, primary);
    QVERIFY(gap == CentreOn({1500, 700, 1900, 1000}, primary));
}

void TestMainLayout::placementNumbersAreClamped() {
    // Stored numbers at the ends of the int range: every width and height stays defined.
    std::optional<TWindowPlacement> p =
        ParsePlacement("200,0,1,-2147483648,-2147483648,2147483647,2147483647");
    QVERIFY(p.has_value());
    QCOMPARE(p->normal.left, -kMaxCoordinate);
    QCOMPARE(p->normal.Width(), 2 * kMaxCoordinate);
    const TRect primary{0, 0, 1280, 1024};
    const TRect r = RestoredRect(p->normal, primary, {primary}, primary);
    QCOMPARE(r.Width(), 1280);
    QCOMPARE(r.Height(), 1024);
    QVERIFY(Intersects(r, primary));
    // A stored window larger than the desktop is made to fit it.
    QVERIFY(RestoredRect({10, 10, 5000, 3000}, primary, {primary}, primary) == (TRect{0, 0, 1280, 1024}));
}

void TestMainLayout::commandLine() {
    TCommandLine none = ParseCommandLine({});
    QCOMPARE(int(none.action), int(TStartAction::None));

    TCommandLine open = ParseCommandLine({"/opencol", "/home/u/Documents/My Pictures/My Albums/Holiday.col"});
    QCOMPARE(int(open.action), int(TStartAction::OpenAlbum));
    QCOMPARE(QString::fromStdString(open.path), QString("/home/u/Documents/My Pictures/My Albums/Holiday.col"));

    QCOMPARE(int(ParseCommandLine({"/OpenCol", "x.col"}).action), int(TStartAction::OpenAlbum));
    TCommandLine album = ParseCommandLine({"/Album", "/tmp/share.xal", "ignored"});
    QCOMPARE(int(album.action), int(TStartAction::ReceivePackage));
    QCOMPARE(QString::fromStdString(album.path), QString("/tmp/share.xal"));

    // A switch without its path still counts; other first arguments are ignored.
    TCommandLine bare = ParseCommandLine({"/ALBUM"});
    QCOMPARE(int(bare.action), int(TStartAction::ReceivePackage));
    QVERIFY(bare.path.empty());
    QCOMPARE(int(ParseCommandLine({"/tmp/share.xal"}).action), int(TStartAction::None));
    QCOMPARE(int(ParseCommandLine({"/OPENCOLX", "a.col"}).action), int(TStartAction::None));
    QCOMPARE(int(ParseCommandLine({"", "/ALBUM"}).action), int(TStartAction::None));
}

void TestMainLayout::albumNameFromPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("linux") << "/home/u/Documents/My Pictures/My Albums/Holiday.col" << "Holiday";
    QTest::newRow("windows") << "D:\\Docs\\My Pictures\\My Albums\\Holiday.col" << "Holiday";
    QTest::newRow("upper-case extension") << "/a/Summer 2004.COL" << "Summer 2004";
    QTest::newRow("bare name") << "Holiday.col" << "Holiday";
    QTest::newRow("dots in the name") << "/a/b.c.d.col" << "b.c.d";
    QTest::newRow("no extension") << "/a/Holiday" << "Holiday";
    QTest::newRow("only the extension") << "/a/.col" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("folder") << "/a/b/" << "";
}

void TestMainLayout::albumNameFromPath() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(QString::fromStdString(AlbumNameFromPath(path.toStdString())), name);
}

QTEST_APPLESS_MAIN(TestMainLayout)
#include "test_mainlayout.moc"
