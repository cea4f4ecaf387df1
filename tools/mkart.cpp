// Draws the pictures the program keeps beside itself: the hand cursor HAND-M.CUR (a Windows
// cursor file, type 2, 32 x 32, hot spot at the finger tip) and the application icon (PNG).
// Usage: qd_mkart <cursor file> <icon file>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cstdio>

namespace {

constexpr int kSize = 32;
constexpr int kHotX = 10;  // the tip of the index finger
constexpr int kHotY = 1;

QImage drawHand() {
    QImage image(kSize, kSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, 1, 5, 17), 2.5, 2.5);     // index finger
    hand.addRoundedRect(QRectF(12, 8, 5, 11), 2.5, 2.5);    // middle finger
    hand.addRoundedRect(QRectF(16, 9, 5, 10), 2.5, 2.5);    // ring finger
    hand.addRoundedRect(QRectF(20, 10, 4.5, 9), 2.2, 2.2);  // little finger
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-2.5, -6, 5, 12), 2.5, 2.5);
    hand.addPath(QTransform().translate(6.5, 17).rotate(-35).map(thumb));
    hand.addRoundedRect(QRectF(8, 14, 16.5, 13), 3, 3);     // palm
    hand.setFillRule(Qt::WindingFill);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(hand.simplified());
    // The knuckle lines between the fingers.
    painter.drawLine(QPointF(12.5, 10), QPointF(12.5, 17));
    painter.drawLine(QPointF(16.5, 10), QPointF(16.5, 17));
    painter.drawLine(QPointF(20.5, 11), QPointF(20.5, 17));
    painter.end();
    return image;
}

void put16(QByteArray& out, quint16 v) {
    const quint16 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), 2);
}
void put32(QByteArray& out, quint32 v) {
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), 4);
}

// One 32-bit image with its AND mask, bottom row first, as cursor files keep it.
QByteArray cursorFile(const QImage& image) {
    QByteArray pixels;
    for (int y = kSize - 1; y >= 0; --y)
        for (int x = 0; x < kSize; ++x) put32(pixels, image.pixel(x, y));
    QByteArray mask;
    for (int y = kSize - 1; y >= 0; --y) {
        quint32 bits = 0;
        for (int x = 0; x < kSize; ++x)
            if (qAlpha(image.pixel(x, y)) == 0) bits |= 1u << (31 - x);
        const quint32 be = qToBigEndian(bits);
        mask.append(reinterpret_cast<const char*>(&be), 4);
    }
    QByteArray bitmap;
    put32(bitmap, 40);          // header size
    put32(bitmap, kSize);       // width
    put32(bitmap, kSize * 2);   // height of image and mask together
    put16(bitmap, 1);           // planes
    put16(bitmap, 32);          // bits per pixel
    put32(bitmap, 0);           // no compression
    put32(bitmap, quint32(pixels.size() + mask.size()));
    put32(bitmap, 0);
    put32(bitmap, 0);
    put32(bitmap, 0);
    put32(bitmap, 0);
    bitmap += pixels + mask;

    QByteArray out;
    put16(out, 0);  // reserved
    put16(out, 2);  // type: cursor
    put16(out, 1);  // one image
    out.append(char(kSize));
    out.append(char(kSize));
    out.append(char(0));  // no palette
    out.append(char(0));
    put16(out, kHotX);
    put16(out, kHotY);
    put32(out, quint32(bitmap.size()));
    put32(out, 22);  // the image follows this directory
    return out + bitmap;
}

// A ledger page on a slate block: rows of orders over a quarried stone.
QImage drawIcon() {
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x5d, 0x73));
    p.drawRoundedRect(QRectF(12, 12, 232, 232), 40, 40);
    p.setBrush(QColor(0xf4, 0xf1, 0xe8));
    p.drawRoundedRect(QRectF(56, 40, 144, 176), 12, 12);
    p.setPen(QPen(QColor(0x9a, 0xa8, 0xb0), 7, Qt::SolidLine, Qt::RoundCap));
    for (int row = 0; row < 5; ++row) {
        const qreal y = 78 + row * 26;
        p.drawLine(QPointF(78, y), QPointF(row % 2 ? 150 : 178, y));
    }
    p.setPen(QPen(QColor(0xd9, 0x8c, 0x2b), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(78, 198), QPointF(178, 198));
    p.end();
    return image;
}

bool writeFile(const char* path, const QByteArray& bytes) {
    const QString target = QFile::decodeName(path);
    QFile file(target + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
    file.close();
    QFile::remove(target);
    return file.rename(target);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s <cursor file> <icon file> [<icon theme folder>]\n", argv[0]);
        return 2;
    }
    if (!writeFile(argv[1], cursorFile(drawHand()))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    const QString icon = QFile::decodeName(argv[2]);
    if (!drawIcon().save(icon + QStringLiteral(".part.png")) ||
        !(QFile::remove(icon), QFile::rename(icon + QStringLiteral(".part.png"), icon))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    // The icon in the sizes desktops ask a theme for: SIZExSIZE/apps/quarrydesk.png.
    if (argc == 4) {
        const QImage full = drawIcon();
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString folder = QFile::decodeName(argv[3]) + QStringLiteral("/%1x%1/apps").arg(size);
            QDir().mkpath(folder);
            const QImage sized = size == full.width()
                ? full : full.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            if (!sized.save(folder + QStringLiteral("/quarrydesk.png"))) {
                std::fprintf(stderr, "cannot write the icon of %d pixels\n", size);
                return 1;
            }
        }
    }
    return 0;
}
