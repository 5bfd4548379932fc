// Draws the install folder's pictures: the default album icon strip "defaults.iml" (16 x 16
// album icons with a mask, index 2 the search results and index 3 the new album) and
// "notfound.bmp" (100 x 80), the picture listed for a photo whose file is missing.
//
//   make_data <output folder>
//
// The icons are pixel art, one character per pixel, so they stay crisp at 16 x 16.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "TIconStrip.h"

namespace {

using Art = std::vector<std::string>;

const std::map<char, QRgb> kPalette = {
    {'K', qRgb(38, 40, 52)},    {'W', qRgb(255, 255, 255)}, {'B', qRgb(44, 98, 196)},
    {'b', qRgb(130, 178, 236)}, {'R', qRgb(212, 38, 52)},   {'r', qRgb(250, 140, 140)},
    {'G', qRgb(58, 150, 62)},   {'E', qRgb(36, 168, 78)},   {'Y', qRgb(246, 196, 36)},
    {'y', qRgb(255, 238, 160)}, {'O', qRgb(150, 96, 44)},   {'o', qRgb(236, 188, 140)},
    {'S', qRgb(128, 132, 146)}, {'s', qRgb(214, 218, 228)}, {'C', qRgb(186, 226, 252)},
};

// 0: a photo album
const Art kAlbum = {
    "................",
    "..KKKKKKKKKKKK..",
    ".KbKBBBBBBBBBBK.",
    ".KbKBBBBBBBBBBK.",
    ".KbKBKKKKKKKBBK.",
    ".KbKBKyyyyyKBBK.",
    ".KbKBKyGyyyKBBK.",
    ".KbKBKGGGyyKBBK.",
    ".KbKBKGGGGGKBBK.",
    ".KbKBKKKKKKKBBK.",
    ".KbKBBBBBBBBBBK.",
    ".KbKBBBBBBBBBBK.",
    ".KbKBBBBBBBBBBK.",
    ".KbKWWWWWWWWWWK.",
    "..KKKKKKKKKKKKK.",
    "................",
};

// 1: a camera
const Art kCamera = {
    "................",
    "................",
    ".....KKKK.......",
    "....KSSSSK......",
    ".KKKKKKKKKKKKKK.",
    ".KssssssssssRsK.",
    ".KsssKKKKKssssK.",
    ".KssKCCbbbKsssK.",
    ".KssKCbBBbKsssK.",
    ".KssKbBKBbKsssK.",
    ".KssKbBBBbKsssK.",
    ".KsssKbbbKssssK.",
    ".KssssKKKsssssK.",
    ".KKKKKKKKKKKKKK.",
    "................",
    "................",
};

// 2: a magnifier (search results)
const Art kMagnifier = {
    "................",
    "....KKKKK.......",
    "...KCCCCCK......",
    "..KCWWCCCCK.....",
    "..KCWCCCCCK.....",
    "..KCCCCCCCK.....",
    "..KCCCCCCCK.....",
    "..KCCCCCCCK.....",
    "...KCCCCCK......",
    "....KKKKKOK.....",
    ".........KOOK...",
    "..........KOOK..",
    "...........KOOK.",
    "............KOK.",
    ".............K..",
    "................",
};

// 3: a new album (an album with a green plus)
const Art kNewAlbumBase = {
    "................",
    ".KKKKKKKKKKKK...",
    "KbKBBBBBBBBBBK..",
    "KbKBBBBBBBBBBK..",
    "KbKBKKKKKKKBBK..",
    "KbKBKyyyyyKBBK..",
    "KbKBKyGyyyKBBK..",
    "KbKBKGGGyyKBBK..",
    "KbKBKGGGGGKBBK..",
    "KbKBKKKKKKKBBK..",
    "KbKBBBBBBBBBBK..",
    "KbKBBBBBBBBBBK..",
    "KbKWWWWWWWWWWK..",
    ".KKKKKKKKKKKKK..",
    "................",
    "................",
};
const Art kPlusBadge = {
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..........KKK...",
    ".........KEEEK..",
    "........KEEWEEK.",
    "........KEWWWEK.",
    "........KEEWEEK.",
    ".........KEEEK..",
    "..........KKK...",
};

// 4: a heart (favourites)
const Art kHeart = {
    "................",
    "................",
    "...KKK....KKK...",
    "..KRRRK..KRRRK..",
    ".KRrrRRKKRRRRRK.",
    ".KRrRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRK.",
    "..KRRRRRRRRRRK..",
    "...KRRRRRRRRK...",
    "....KRRRRRRK....",
    ".....KRRRRK.....",
    "......KRRK......",
    ".......KK.......",
    "................",
    "................",
};

// 5: an aeroplane (travel)
const Art kPlane = {
    "................",
    ".......KK.......",
    "......KsSK......",
    "......KsSK......",
    "......KsSK......",
    ".....KKsSKK.....",
    "...KKssssSSKK...",
    ".KKsssssssSSSKK.",
    "KssssssssSSSSSSK",
    ".KKKKKsssSKKKKK.",
    "......KsSK......",
    "......KsSK......",
    ".....KKsSKK.....",
    "....KsssSSSK....",
    "....KKKKKKKK....",
    "................",
};

// 6: a landscape (mountains and sun)
const Art kLandscape = {
    "................",
    "KKKKKKKKKKKKKKKK",
    "KbbbbbbbbbbbbbbK",
    "KbbbbbbbbbbYYbbK",
    "KbbbbbbbbbYYYYbK",
    "KbbbbbbbbbYYYYbK",
    "KbbbbSbbbbbYYbbK",
    "KbbbSWSbbbbbbbbK",
    "KbbSSSSSbbbSbbbK",
    "KbSSSSSSSbSSSbbK",
    "KSSSSSSSSSSSSSbK",
    "KGGGSSSSSSSSSSSK",
    "KGGGGGGGSSSSSGGK",
    "KGGGGGGGGGGGGGGK",
    "KKKKKKKKKKKKKKKK",
    "................",
};

// 7: people (family and friends)
const Art kPeople = {
    "................",
    "................",
    "....KKK.........",
    "...KoooK..KKK...",
    "...KoooK.KoooK..",
    "...KoooK.KoooK..",
    "....KKK..KoooK..",
    "..KKBBBKK.KKK...",
    ".KBBBBBBBKRRRK..",
    ".KBBBBBBKRRRRRK.",
    ".KBBBBBBKRRRRRK.",
    ".KBBBBBBKRRRRRK.",
    ".KBBBBBBKRRRRRK.",
    ".KKKKKKKKKKKKKK.",
    "................",
    "................",
};

void Check(const Art& art, const char* name) {
    bool ok = art.size() == 16;
    for (const auto& row : art) ok = ok && row.size() == 16;
    for (const auto& row : art)
        for (char c : row) ok = ok && (c == '.' || kPalette.count(c));
    if (!ok) {
        std::fprintf(stderr, "make_data: the %s icon is not 16 x 16 of known colours\n", name);
        std::exit(1);
    }
}

// The picture (transparent pixels white) and its mask (white = transparent).
void Draw(const std::vector<const Art*>& layers, QImage& picture, QImage& mask) {
    picture = QImage(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::white);
    mask = QImage(16, 16, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(1);
    for (const Art* art : layers)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const char c = (*art)[size_t(y)][size_t(x)];
                if (c == '.') continue;
                picture.setPixel(x, y, kPalette.at(c));
                mask.setPixel(x, y, 0);
            }
}

QImage NotFoundPicture() {
    QImage img(100, 80, QImage::Format_RGB32);
    img.fill(qRgb(238, 240, 244));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A photo frame with a small landscape...
    const QRectF frame(30.5, 8.5, 40, 32);
    p.setPen(QPen(QColor(150, 156, 170), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 208, 222));
    p.drawRect(QRectF(33, 11, 35, 27));
    p.setBrush(QColor(168, 176, 192));
    QPainterPath hills;
    hills.moveTo(33, 38);
    hills.lineTo(44, 24);
    hills.lineTo(51, 31);
    hills.lineTo(57, 26);
    hills.lineTo(68, 38);
    hills.closeSubpath();
    p.drawPath(hills);
    p.setBrush(QColor(236, 240, 248));
    p.drawEllipse(QPointF(60, 17), 3.5, 3.5);
    // ...crossed out.
    p.setPen(QPen(QColor(204, 40, 48), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(36, 14), QPointF(65, 43));
    p.drawLine(QPointF(65, 14), QPointF(36, 43));
    // The words under it.
    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(70, 74, 90));
    p.drawText(QRectF(0, 48, 100, 14), Qt::AlignHCenter | Qt::AlignVCenter, "Photo not");
    p.drawText(QRectF(0, 61, 100, 14), Qt::AlignHCenter | Qt::AlignVCenter, "found");
    p.end();
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_data <output folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string out = argv[1];

    const std::vector<std::pair<const char*, std::vector<const Art*>>> icons = {
        {"album", {&kAlbum}},         {"camera", {&kCamera}},   {"magnifier", {&kMagnifier}},
        {"new album", {&kNewAlbumBase, &kPlusBadge}},           {"heart", {&kHeart}},
        {"plane", {&kPlane}},         {"landscape", {&kLandscape}}, {"people", {&kPeople}},
    };
    TIconStrip strip;  // "combo", 16 x 16
    strip.SetMasked(true);
    strip.SetCompressed(true);
    for (const auto& [name, layers] : icons) {
        for (const Art* a : layers) Check(*a, name);
        QImage picture, mask;
        Draw(layers, picture, mask);
        strip.Add(picture, mask);
    }
    std::string error;
    if (!strip.SaveToFile(out + "/defaults.iml", &error)) {
        std::fprintf(stderr, "make_data: %s\n", error.c_str());
        return 1;
    }
    if (!NotFoundPicture().save(QString::fromStdString(out + "/notfound.bmp"), "BMP")) {
        std::fprintf(stderr, "make_data: cannot write notfound.bmp\n");
        return 1;
    }
    std::printf("make_data: wrote %s/defaults.iml (%d icons) and %s/notfound.bmp\n", out.c_str(),
                strip.Count(), out.c_str());
    return 0;
}
