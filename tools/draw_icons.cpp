// Draws the tray icons, the menu images and the program's icon (app/) into resources/icons.
// Build and run by hand when the pictures change:
//   g++ -std=c++20 -fPIC draw_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/draw_icons
//   QT_QPA_PLATFORM=offscreen /tmp/draw_icons ../resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The mascot: a round face with a leaf on top; eyes shut (idle), open, or the whole face red.
// Drawn on a 32-pixel grid and scaled to the size asked for.
QImage face(bool eyesOpen, bool red, int size = 32)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QColor skin = red ? QColor(220, 30, 30) : QColor(250, 200, 60);
    const QColor line = red ? QColor(110, 0, 0) : QColor(120, 70, 0);
    p.setPen(QPen(QColor(20, 120, 30), 1.5));
    p.setBrush(QColor(40, 170, 50));
    QPainterPath leaf;
    leaf.moveTo(16, 6);
    leaf.cubicTo(18, 0, 26, 0, 27, 2);
    leaf.cubicTo(24, 6, 20, 7, 16, 6);
    p.drawPath(leaf);
    p.setPen(QPen(line, 1.5));
    p.setBrush(skin);
    p.drawEllipse(QRectF(3, 5, 26, 25));
    p.setPen(QPen(line, 2, Qt::SolidLine, Qt::RoundCap));
    if (eyesOpen) {
        p.setBrush(Qt::white);
        p.setPen(QPen(line, 1));
        p.drawEllipse(QRectF(9, 12, 5, 6));
        p.drawEllipse(QRectF(18, 12, 5, 6));
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(10.5, 14, 2.5, 3));
        p.drawEllipse(QRectF(19.5, 14, 2.5, 3));
    } else {
        p.drawArc(QRectF(9, 12, 5, 5), 180 * 16, 180 * 16);
        p.drawArc(QRectF(18, 12, 5, 5), 180 * 16, 180 * 16);
    }
    p.setPen(QPen(line, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(10, 16, 12, 8), 200 * 16, 140 * 16);
    return img;
}

QImage canvas()
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
}

QImage contacts()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(60, 40, 20));
    p.setBrush(QColor(180, 110, 50));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 3.5, 6, 9));
    p.setPen(QColor(90, 90, 90));
    for (int y = 5; y <= 11; y += 2) {
        p.drawLine(QPointF(6.5, y + 0.5), QPointF(10.5, y + 0.5));
    }
    return img;
}

QImage biorhythm()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(120, 120, 120));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    const QColor colours[] = {QColor(220, 0, 0), QColor(0, 150, 0), QColor(0, 0, 220)};
    for (int c = 0; c < 3; ++c) {
        QPainterPath path;
        for (int x = 0; x <= 14; ++x) {
            const double y = 8 - 6 * std::sin((x + c * 3) * 0.6);
            x == 0 ? path.moveTo(1 + x, y) : path.lineTo(1 + x, y);
        }
        p.setPen(QPen(colours[c], 1.2));
        p.drawPath(path);
    }
    return img;
}

QImage info()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(20, 60, 140));
    p.setBrush(QColor(60, 120, 220));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 3.5, 2.2, 2.2));
    p.drawRect(QRectF(7, 7, 2.2, 6));
    return img;
}

QImage appointments()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(70, 70, 70));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(1.5, 2.5, 13, 3.5));
    p.setPen(QColor(70, 70, 70));
    for (int x = 4; x <= 12; x += 3) {
        for (int y = 8; y <= 12; y += 3) {
            p.drawPoint(x, y);
        }
    }
    return img;
}

QImage phone()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(20, 20, 20));
    p.setBrush(QColor(50, 50, 50));
    QPainterPath handset;
    handset.moveTo(2, 5);
    handset.cubicTo(5, 1, 11, 1, 14, 5);
    handset.lineTo(12, 7);
    handset.lineTo(10, 5);
    handset.cubicTo(9, 4, 7, 4, 6, 5);
    handset.lineTo(4, 7);
    handset.closeSubpath();
    p.drawPath(handset);
    p.setBrush(QColor(220, 220, 220));
    p.drawRoundedRect(QRectF(3.5, 8.5, 9, 6), 1.5, 1.5);
    return img;
}

QImage help()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(20, 100, 20));
    p.setBrush(QColor(60, 170, 60));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont f;
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
    return img;
}

QImage calculator()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 1.5, 1.5);
    p.setBrush(QColor(200, 230, 200));
    p.drawRect(QRectF(4.5, 2.5, 7, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 3; ++y) {
            p.drawRect(QRectF(4.5 + x * 2.5, 7.5 + y * 2.5, 1.6, 1.6));
        }
    }
    return img;
}

QImage printer()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(170, 170, 180));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setPen(QColor(120, 120, 120));
    p.drawLine(QPointF(5.5, 11.5), QPointF(10.5, 11.5));
    p.drawLine(QPointF(5.5, 13), QPointF(9.5, 13));
    return img;
}

// Two arrows chasing each other round a ring: the sync.
QImage syncArrows()
{
    QImage img = canvas();
    QPainter p(&img);
    prepare(p);
    const QColor green(20, 130, 60);
    const QRectF ring(2.5, 2.5, 11, 11);
    p.setPen(QPen(green, 1.8, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(ring, 30 * 16, 120 * 16);
    p.drawArc(ring, 210 * 16, 120 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    for (const double degrees : {150.0, 330.0}) {
        const double a = degrees * M_PI / 180;
        const QPointF at(8 + 5.5 * std::cos(a), 8 - 5.5 * std::sin(a));
        const QPointF along(-std::sin(a), -std::cos(a)); // the way the arc runs
        const QPointF outward(std::cos(a), -std::sin(a));
        p.drawPolygon(QPolygonF({at + along * 3.2, at + outward * 2.6, at - outward * 2.6}));
    }
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    face(false, false).save(dir + "/tray0.png");
    face(true, false).save(dir + "/tray1.png");
    face(true, true).save(dir + "/tray2.png");
    contacts().save(dir + "/menu0.png");
    biorhythm().save(dir + "/menu1.png");
    info().save(dir + "/menu2.png");
    appointments().save(dir + "/menu4.png");
    phone().save(dir + "/menu6.png");
    help().save(dir + "/menu8.png");
    calculator().save(dir + "/menu9.png");
    syncArrows().save(dir + "/menu10.png");
    printer().save(dir + "/print.png");
    // The program's icon for desktop menus, in the sizes icon themes look for.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        face(true, false, size).save(dir + QStringLiteral("/app/morwinek-%1.png").arg(size));
    }
    return 0;
}
