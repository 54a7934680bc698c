// Draws the program's raster images: resources/images/Background.png (the
// header band) and resources/icon.ico (the Windows program icon, rendered
// from resources/images/icon.svg). Run through scripts/make-images.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QVector>
#include <QtEndian>

#include <cstdio>

namespace {

QImage drawBackground()
{
    const int w = 720;
    const int h = 320;
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient base(0, 0, w, h);
    base.setColorAt(0.0, QColor(0xF4, 0x5C, 0x4F));
    base.setColorAt(0.45, QColor(0xE0, 0x2E, 0x2A));
    base.setColorAt(1.0, QColor(0xA8, 0x10, 0x18));
    p.fillRect(image.rect(), base);

    // Soft light from the upper left.
    QRadialGradient glow(QPointF(140, 40), 420);
    glow.setColorAt(0.0, QColor(255, 255, 255, 70));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    // Large translucent discs on the right, the product's ring motif.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 22));
    p.drawEllipse(QPointF(610, 250), 210, 210);
    p.setBrush(QColor(255, 255, 255, 16));
    p.drawEllipse(QPointF(700, 60), 150, 150);
    p.setBrush(QColor(120, 0, 10, 40));
    p.drawEllipse(QPointF(520, 330), 120, 120);

    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 46 - i * 9), 2.0 - i * 0.3));
        const qreal r = 96 + i * 34;
        p.drawArc(QRectF(560 - r, 150 - r, 2 * r, 2 * r), 30 * 16, 250 * 16);
    }

    // A field of faint dots along the lower left.
    p.setPen(Qt::NoPen);
    for (int y = 200; y < h; y += 14) {
        for (int x = 24; x < 300; x += 14) {
            const int fade = 30 - (x - 24) / 10 - (h - y) / 8;
            if (fade <= 0)
                continue;
            p.setBrush(QColor(255, 255, 255, fade));
            p.drawEllipse(QPointF(x, y), 1.6, 1.6);
        }
    }

    // A darker foot, so white text in the band stays readable.
    QLinearGradient foot(0, h - 120, 0, h);
    foot.setColorAt(0.0, QColor(90, 0, 8, 0));
    foot.setColorAt(1.0, QColor(90, 0, 8, 60));
    p.fillRect(QRect(0, h - 120, w, 120), foot);
    p.end();

    // Fine grain, fixed seed: gives the flat areas some texture and makes the
    // file the same on every run.
    quint32 seed = 0x5eed1234u;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int((seed >> 24) % 9) - 4;
            const QRgb c = line[x];
            line[x] = qRgba(qBound(0, qRed(c) + d, 255), qBound(0, qGreen(c) + d, 255),
                            qBound(0, qBlue(c) + d, 255), qAlpha(c));
        }
    }
    return image;
}

QImage renderSvg(const QString &path, int size)
{
    QImageReader reader(path);
    reader.setScaledSize(QSize(size, size));
    QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "cannot render %s: %s\n", qPrintable(path), qPrintable(reader.errorString()));
        return image;
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

void putU16(QByteArray &out, quint16 v)
{
    const quint16 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void putU32(QByteArray &out, quint32 v)
{
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

QByteArray bitmapHeader(int size, int bpp, int colours, int imageBytes)
{
    QByteArray out;
    putU32(out, 40);
    putU32(out, quint32(size));
    putU32(out, quint32(size * 2)); // colour rows plus mask rows
    putU16(out, 1);
    putU16(out, quint16(bpp));
    putU32(out, 0); // BI_RGB
    putU32(out, quint32(imageBytes));
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, quint32(colours));
    putU32(out, 0);
    return out;
}

// One-bit transparency mask, bottom-up, rows padded to four bytes.
QByteArray andMask(const QImage &image)
{
    const int size = image.width();
    const int stride = ((size + 31) / 32) * 4;
    QByteArray out(stride * size, '\0');
    for (int y = 0; y < size; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(size - 1 - y));
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) < 128)
                out[y * stride + x / 8] = char(out[y * stride + x / 8] | (0x80 >> (x % 8)));
        }
    }
    return out;
}

QByteArray bitmap32(const QImage &image)
{
    const int size = image.width();
    QByteArray pixels;
    for (int y = size - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x)
            putU32(pixels, line[x]); // ARGB32 in little endian is B, G, R, A
    }
    const QByteArray mask = andMask(image);
    return bitmapHeader(size, 32, 0, pixels.size() + mask.size()) + pixels + mask;
}

QByteArray bitmap8(const QImage &image)
{
    const int size = image.width();
    // Index 0 is the colour under transparent pixels; the mask hides it.
    QVector<QRgb> palette{qRgb(0, 0, 0)};
    QHash<QRgb, int> index;
    int shift = 0;
    for (;;) {
        palette.resize(1);
        index.clear();
        const quint32 keep = (0xFFu << shift) & 0xFFu;
        const QRgb keepMask = qRgb(int(keep), int(keep), int(keep));
        for (int y = 0; y < size; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < size; ++x) {
                if (qAlpha(line[x]) < 128)
                    continue;
                const QRgb c = (line[x] & keepMask) | 0xFF000000u;
                if (!index.contains(c)) {
                    index.insert(c, palette.size());
                    palette.append(c);
                }
            }
        }
        if (palette.size() <= 256)
            break;
        ++shift;
    }
    const quint32 keep = (0xFFu << shift) & 0xFFu;
    const QRgb keepMask = qRgb(int(keep), int(keep), int(keep));

    QByteArray colours;
    for (int i = 0; i < 256; ++i)
        putU32(colours, i < palette.size() ? (palette.at(i) & 0x00FFFFFFu) : 0u);
    const int stride = ((size + 3) / 4) * 4;
    QByteArray pixels(stride * size, '\0');
    for (int y = 0; y < size; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(size - 1 - y));
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) >= 128)
                pixels[y * stride + x] = char(index.value((line[x] & keepMask) | 0xFF000000u));
        }
    }
    const QByteArray mask = andMask(image);
    return bitmapHeader(size, 8, 256, pixels.size() + mask.size()) + colours + pixels + mask;
}

QByteArray png(const QImage &image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

bool writeIcon(const QString &svgPath, const QString &icoPath)
{
    struct Entry
    {
        int size;
        int bpp;
    };
    const QVector<Entry> entries{{256, 32}, {128, 32}, {96, 32}, {80, 32}, {72, 32}, {64, 32},
                                 {48, 32},  {32, 32},  {24, 32}, {16, 32}, {16, 8}};
    QVector<QByteArray> blobs;
    for (const Entry &e : entries) {
        const QImage image = renderSvg(svgPath, e.size);
        if (image.isNull())
            return false;
        if (e.size == 256)
            blobs.append(png(image));
        else
            blobs.append(e.bpp == 32 ? bitmap32(image) : bitmap8(image));
    }

    QByteArray out;
    putU16(out, 0);
    putU16(out, 1);
    putU16(out, quint16(entries.size()));
    quint32 offset = quint32(6 + 16 * entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const Entry &e = entries.at(i);
        out.append(char(e.size == 256 ? 0 : e.size));
        out.append(char(e.size == 256 ? 0 : e.size));
        out.append(char(0)); // 0: 256 or more colours
        out.append(char(0));
        putU16(out, 1);
        putU16(out, quint16(e.bpp));
        putU32(out, quint32(blobs.at(i).size()));
        putU32(out, offset);
        offset += quint32(blobs.at(i).size());
    }
    for (const QByteArray &blob : blobs)
        out += blob;

    QFile file(icoPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(icoPath));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make-images <resources folder>\n");
        return 2;
    }
    const QString dir = args.at(1);
    if (!drawBackground().save(dir + QStringLiteral("/images/Background.png"), "PNG")) {
        std::fprintf(stderr, "cannot write Background.png\n");
        return 1;
    }
    return writeIcon(dir + QStringLiteral("/images/icon.svg"), dir + QStringLiteral("/icon.ico")) ? 0 : 1;
}
