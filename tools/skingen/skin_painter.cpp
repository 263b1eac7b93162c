#include "skin_painter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <array>
#include <cmath>

namespace torvex::skingen {
namespace {

// Palette: near-black graphite with one neon red accent.
const QColor kBgTop(13, 16, 22);
const QColor kBgBottom(6, 7, 10);
const QColor kPanel(18, 21, 28);
const QColor kPanelBorder(37, 43, 55);
const QColor kCtrl(25, 29, 38);
const QColor kCtrlOver(31, 36, 48);
const QColor kCtrlBorder(49, 56, 70);
const QColor kWell(9, 11, 15);
const QColor kDim(124, 133, 148);
const QColor kAccent(255, 42, 68);
const QColor kAccentDeep(74, 12, 23);
const QColor kAccentDeeper(38, 7, 14);
const QColor kTrack(45, 51, 64);

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QColor toColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QRectF inner(const Rect& r, double inset = 0.5) {
    return QRectF(r.x + inset, r.y + inset, r.w - 2 * inset, r.h - 2 * inset);
}

// A rectangle with its top-left and bottom-right corners cut at 45 degrees.
QPainterPath chamfered(const QRectF& r, double c) {
    QPainterPath path;
    path.moveTo(r.left() + c, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom() - c);
    path.lineTo(r.right() - c, r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + c);
    path.closeSubpath();
    return path;
}

QPainterPath polygonPath(const std::vector<std::array<int, 2>>& points) {
    QPainterPath path;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QPointF pt(points[i][0], points[i][1]);
        if (i == 0) {
            path.moveTo(pt);
        } else {
            path.lineTo(pt);
        }
    }
    path.closeSubpath();
    return path;
}

QFont pictureFont(int pixelSize, bool bold) {
    // Only faces of the packages the build installs, so every machine paints the same pixels.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Fill with a vertical gradient between two colours.
QLinearGradient vertical(const QRectF& r, QColor top, QColor bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// Outlines only: drawPath would also fill with whatever brush an earlier step left set.
void stroke(QPainter& p, const QPainterPath& path, const QPen& pen) {
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void drawPanel(QPainter& p, const QRectF& r) {
    const QPainterPath path = chamfered(r, 12);
    p.fillPath(path, kPanel);
    stroke(p, path, QPen(kPanelBorder, 1));
    // Accent corner at the cut.
    QPainterPath corner;
    corner.moveTo(r.left(), r.top() + 12);
    corner.lineTo(r.left() + 12, r.top());
    stroke(p, corner, QPen(kAccent, 2));
    p.setPen(QPen(withAlpha(kAccent, 140), 1));
    p.drawLine(QPointF(r.left() + 14, r.top()), QPointF(r.left() + 60, r.top()));
}

// ---------------------------------------------------------------------------------------------
// Generic controls.

void drawButton(QPainter& p, const Rect& e, State s, double chamfer) {
    const QRectF r = inner(e);
    const QPainterPath path = chamfered(r, chamfer);
    switch (s) {
    case State::Normal:
        p.fillPath(path, vertical(r, kCtrl.lighter(112), kCtrl));
        stroke(p, path, QPen(kCtrlBorder, 1));
        break;
    case State::Over:
        p.fillPath(path, vertical(r, kCtrlOver.lighter(118), kCtrlOver));
        stroke(p, chamfered(r.adjusted(1.5, 1.5, -1.5, -1.5), chamfer),
               QPen(withAlpha(kAccent, 70), 3));
        stroke(p, path, QPen(kAccent, 1));
        break;
    case State::Down:
        p.fillPath(path, vertical(r, QColor(44, 8, 15), QColor(118, 18, 36)));
        p.setPen(QPen(QColor(0, 0, 0, 150), 2));
        p.drawLine(QPointF(r.left() + chamfer + 1, r.top() + 2),
                   QPointF(r.right() - 2, r.top() + 2));
        stroke(p, chamfered(r.adjusted(0.5, 0.5, -0.5, -0.5), chamfer), QPen(kAccent, 2));
        break;
    }
}

void drawAccentButton(QPainter& p, const Entry& entry, State s) {
    const QRectF r = inner(entry.r);
    const QPainterPath path = chamfered(r, 8);
    switch (s) {
    case State::Normal:
        p.fillPath(path, vertical(r, QColor(62, 12, 22), QColor(30, 7, 12)));
        stroke(p, path, QPen(kAccent, 1));
        break;
    case State::Over:
        p.fillPath(path, vertical(r, QColor(104, 20, 38), QColor(58, 12, 22)));
        stroke(p, chamfered(r.adjusted(2, 2, -2, -2), 8), QPen(withAlpha(kAccent, 90), 4));
        stroke(p, path, QPen(QColor(255, 110, 128), 1));
        break;
    case State::Down:
        p.fillPath(path, vertical(r, QColor(24, 4, 8), QColor(70, 12, 24)));
        stroke(p, chamfered(r.adjusted(0.5, 0.5, -0.5, -0.5), 8), QPen(kAccent, 2));
        break;
    }
    if (entry.id == "record") {
        // Record dot: a ring at rest, a solid glowing dot while recording.
        const QPointF c(r.left() + 22, r.center().y());
        p.setRenderHint(QPainter::Antialiasing, true);
        if (s == State::Down) {
            QRadialGradient glow(c, 12);
            glow.setColorAt(0, withAlpha(kAccent, 200));
            glow.setColorAt(1, withAlpha(kAccent, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawEllipse(c, 12, 12);
            p.setBrush(QColor(255, 70, 90));
            p.drawEllipse(c, 6, 6);
        } else {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(s == State::Over ? QColor(255, 110, 128) : kAccent, 2));
            p.drawEllipse(c, 6, 6);
        }
    }
}

void drawTab(QPainter& p, const Rect& e, State s) {
    const QRectF r = inner(e);
    QPainterPath path;
    path.moveTo(r.left() + 12, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right() - 12, r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    switch (s) {
    case State::Normal:
        p.fillPath(path, vertical(r, QColor(24, 28, 37), QColor(17, 20, 27)));
        stroke(p, path, QPen(kCtrlBorder, 1));
        break;
    case State::Over:
        p.fillPath(path, vertical(r, QColor(34, 39, 52), QColor(22, 26, 35)));
        stroke(p, path, QPen(withAlpha(kAccent, 180), 1));
        p.setPen(QPen(withAlpha(kAccent, 150), 2));
        p.drawLine(QPointF(r.left() + 4, r.bottom() - 1.5),
                   QPointF(r.right() - 16, r.bottom() - 1.5));
        break;
    case State::Down:
        p.fillPath(path, vertical(r, QColor(70, 12, 24), QColor(28, 8, 13)));
        stroke(p, path, QPen(kAccent, 1));
        p.setPen(QPen(kAccent, 3));
        p.drawLine(QPointF(r.left() + 2, r.bottom() - 2), QPointF(r.right() - 14, r.bottom() - 2));
        break;
    }
}

void drawTitleGlyph(QPainter& p, const Rect& e, State s, bool close) {
    const QRectF r = inner(e);
    const QPainterPath path = chamfered(r, 6);
    if (s != State::Normal) {
        QColor fill = close ? QColor(176, 18, 40) : kCtrlOver;
        if (s == State::Down) {
            fill = close ? QColor(110, 10, 26) : kAccentDeep;
        }
        p.fillPath(path, fill);
        stroke(p, path, QPen(s == State::Down ? kAccent : withAlpha(kAccent, 160), 1));
    }
    const QPointF c = r.center();
    const QColor ink = s == State::Normal ? QColor(160, 168, 182) : QColor(255, 255, 255);
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
    if (close) {
        p.drawLine(c + QPointF(-6, -6), c + QPointF(6, 6));
        p.drawLine(c + QPointF(-6, 6), c + QPointF(6, -6));
    } else {
        p.drawLine(c + QPointF(-7, 5), c + QPointF(7, 5));
    }
}

void drawSlot(QPainter& p, const Rect& e, State s) {
    const QRectF r = inner(e);
    const QPainterPath path = chamfered(r, 6);
    const bool active = s != State::Normal;
    p.fillPath(path, s == State::Down ? vertical(r, kAccentDeeper, kAccentDeep)
                                      : vertical(r, QColor(15, 18, 24), QColor(11, 13, 18)));
    stroke(p, path, QPen(active ? kAccent : kCtrlBorder, s == State::Down ? 2 : 1));
    // Left marker bar.
    p.fillRect(QRectF(r.left() + 1, r.top() + 7, 2, r.height() - 10),
               active ? kAccent : QColor(92, 24, 34));
    // Drop-down chevron.
    const QPointF c(r.right() - 14, r.center().y());
    p.setPen(QPen(active ? kAccent : kDim, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({c + QPointF(-5, -2), c + QPointF(0, 3), c + QPointF(5, -2)}));
}

void drawSwitch(QPainter& p, const Rect& e, State s) {
    const QRectF track(e.x + (e.w - 40) / 2.0, e.y + (e.h - 18) / 2.0, 40, 18);
    const bool on = s == State::Down;
    p.setPen(QPen(on ? kAccent : (s == State::Over ? withAlpha(kAccent, 200) : kCtrlBorder), 1));
    p.setBrush(on ? QBrush(vertical(track, QColor(150, 20, 40), QColor(90, 12, 26)))
                  : QBrush(QColor(28, 32, 41)));
    p.drawRoundedRect(track, 9, 9);
    const QPointF knob(on ? track.right() - 9 : track.left() + 9, track.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(on ? QColor(255, 255, 255) : QColor(98, 106, 122));
    p.drawEllipse(knob, 6, 6);
}

void drawCheck(QPainter& p, const Rect& e, State s) {
    if (s != State::Normal) {
        const QRectF r = inner(e);
        p.setPen(QPen(s == State::Over ? withAlpha(kAccent, 110) : withAlpha(kAccent, 60), 1));
        p.setBrush(s == State::Over ? kCtrlOver : QColor(30, 10, 16));
        p.drawPath(chamfered(r, 6));
    }
    const QRectF box(e.x + 8.5, e.y + (e.h - 18) / 2.0 + 0.5, 17, 17);
    p.setBrush(s == State::Down ? QBrush(kAccent) : QBrush(kWell));
    p.setPen(QPen(s == State::Normal ? kCtrlBorder : kAccent, 1));
    p.drawRect(box);
    if (s == State::Down) {
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({box.topLeft() + QPointF(4, 9), box.topLeft() + QPointF(7.5, 12.5),
                                  box.topLeft() + QPointF(13, 5)}));
    }
}

void drawRadioDot(QPainter& p, QPointF c, State s, QColor fill) {
    p.setBrush(kWell);
    p.setPen(QPen(s == State::Normal ? kCtrlBorder.lighter(130) : kAccent, 2));
    p.drawEllipse(c, 8, 8);
    if (s == State::Down) {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(c, 4.5, 4.5);
    }
}

void drawModeRadio(QPainter& p, const Rect& e, State s) {
    drawButton(p, e, s == State::Down ? State::Down : s, 8);
    drawRadioDot(p, QPointF(e.x + 22, e.y + e.h / 2.0), s, QColor(255, 255, 255));
}

// Quiet entries (labels, headings) still answer the pointer: a soft plate when hovered, a dark
// red plate when pressed.
void drawQuietPlate(QPainter& p, const Rect& e, State s) {
    if (s != State::Normal) {
        p.fillPath(chamfered(QRectF(e.x, e.y, e.w, e.h), 4),
                   s == State::Over ? QColor(31, 36, 48) : QColor(48, 11, 20));
    }
}

void drawLabel(QPainter& p, const Rect& e, State s) {
    if (s == State::Normal) {
        return;
    }
    drawQuietPlate(p, e, s);
    const double y = e.y + e.h - 1.5;
    QLinearGradient g(QPointF(e.x, y), QPointF(e.x + e.w, y));
    g.setColorAt(0, withAlpha(kAccent, 0));
    g.setColorAt(0.5, withAlpha(kAccent, s == State::Down ? 255 : 170));
    g.setColorAt(1, withAlpha(kAccent, 0));
    p.setPen(QPen(QBrush(g), s == State::Down ? 2 : 1));
    p.drawLine(QPointF(e.x, y), QPointF(e.x + e.w, y));
}

void drawHeading(QPainter& p, const Rect& e, State s) {
    drawQuietPlate(p, e, s);
    const double y = e.y + e.h - 0.5;
    p.setPen(QPen(kPanelBorder, 1));
    p.drawLine(QPointF(e.x, y), QPointF(e.x + e.w, y));
    const double accentLength = s == State::Normal ? 28 : (s == State::Over ? 64 : e.w);
    p.setPen(QPen(kAccent, 1));
    p.drawLine(QPointF(e.x, y), QPointF(e.x + accentLength, y));
    p.fillRect(QRectF(e.x, e.y + 4, 3, e.h - 8), kAccent);
}

void drawValue(QPainter& p, const Rect& e, State s) {
    const QRectF r = inner(e);
    p.setPen(QPen(s == State::Normal ? kCtrlBorder : kAccent, 1));
    p.setBrush(s == State::Normal ? kWell : (s == State::Over ? kCtrlOver : QColor(48, 11, 20)));
    p.drawRect(r);
    p.setPen(QPen(kAccent, 1));
    const double k = 5;
    p.drawPolyline(
        QPolygonF({r.topLeft() + QPointF(0, k), r.topLeft(), r.topLeft() + QPointF(k, 0)}));
    p.drawPolyline(QPolygonF(
        {r.bottomRight() - QPointF(0, k), r.bottomRight(), r.bottomRight() - QPointF(k, 0)}));
}

void drawField(QPainter& p, const Rect& e) {
    // The child control paints its own black face; the well frames it from just outside.
    const QRectF outer(e.x - 1.5, e.y - 1.5, e.w + 3, e.h + 3);
    p.setPen(QPen(kCtrlBorder, 1));
    p.setBrush(Qt::black);
    p.drawRect(outer);
}

// ---------------------------------------------------------------------------------------------
// DPI slider.

double trackY(const Rect& e) {
    return e.y + e.h / 2.0;
}

void drawTrack(QPainter& p, const Rect& e) {
    p.fillRect(QRectF(e.x, trackY(e) - 1, e.w, 2), kTrack);
}

void drawNotch(QPainter& p, const Rect& e, State s) {
    drawTrack(p, e);
    const QPointF c(e.x + e.w / 2.0, trackY(e));
    switch (s) {
    case State::Normal:
        p.fillRect(QRectF(c.x() - 1, c.y() - 6, 2, 12), QColor(86, 94, 110));
        break;
    case State::Over: {
        QRadialGradient glow(c, 13);
        glow.setColorAt(0, withAlpha(kAccent, 120));
        glow.setColorAt(1, withAlpha(kAccent, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 13, 13);
        p.fillRect(QRectF(c.x() - 1, c.y() - 8, 2, 16), kAccent);
        break;
    }
    case State::Down:
        p.setBrush(kAccentDeep);
        p.setPen(QPen(kAccent, 2));
        p.drawEllipse(c, 8, 8);
        break;
    }
}

void drawKnobShape(QPainter& p, QPointF c) {
    QPainterPath hex;
    hex.moveTo(c + QPointF(-5, -11));
    hex.lineTo(c + QPointF(5, -11));
    hex.lineTo(c + QPointF(9, -6));
    hex.lineTo(c + QPointF(9, 6));
    hex.lineTo(c + QPointF(5, 11));
    hex.lineTo(c + QPointF(-5, 11));
    hex.lineTo(c + QPointF(-9, 6));
    hex.lineTo(c + QPointF(-9, -6));
    hex.closeSubpath();
    QRadialGradient glow(c, 14);
    glow.setColorAt(0, withAlpha(kAccent, 110));
    glow.setColorAt(1, withAlpha(kAccent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, 14, 13);
    p.fillPath(hex, vertical(hex.boundingRect(), QColor(255, 84, 104), QColor(170, 18, 40)));
    stroke(p, hex, QPen(QColor(255, 150, 160), 1));
    p.fillRect(QRectF(c.x() - 1, c.y() - 6, 2, 12), Qt::white);
}

void drawMark(QPainter& p, const Entry& e, State s) {
    const QRectF r = inner(e.r);
    const QPointF c = r.center();
    QPainterPath arrow;
    arrow.moveTo(c + QPointF(-10, -8));
    arrow.lineTo(c + QPointF(2, -8));
    arrow.lineTo(c + QPointF(12, 0));
    arrow.lineTo(c + QPointF(2, 8));
    arrow.lineTo(c + QPointF(-10, 8));
    arrow.lineTo(c + QPointF(-4, 0));
    arrow.closeSubpath();
    if (s == State::Down) {
        const QColor lit = toColor(kLevelColours.at(static_cast<std::size_t>(e.level)));
        QRadialGradient glow(c, 16);
        glow.setColorAt(0, withAlpha(lit, 150));
        glow.setColorAt(1, withAlpha(lit, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 17, 13);
        p.fillPath(arrow, lit);
        stroke(p, arrow, QPen(lit.lighter(150), 1));
    } else {
        p.setPen(QPen(QColor(58, 65, 80), 1));
        p.setBrush(QColor(22, 25, 33));
        p.drawPath(arrow);
    }
}

void drawScale(QPainter& p, const SkinDescription& skin, const Entry& e, State s) {
    static constexpr std::array<const char*, 5> kValues{"800", "1200", "1600", "2400", "3200"};
    p.setFont(pictureFont(10, true));
    const QColor ink = s == State::Normal ? kDim : (s == State::Over ? Qt::white : kAccent);
    p.setPen(ink);
    for (int v = 0; v < 5; ++v) {
        const Entry& notch = skin.main.at(60 + static_cast<std::size_t>(v));
        const QRectF cell(notch.r.x, e.r.y, notch.r.w, e.r.h);
        p.drawText(cell, Qt::AlignCenter,
                   QString::fromLatin1(kValues.at(static_cast<std::size_t>(v))));
    }
}

// ---------------------------------------------------------------------------------------------
// The mouse, seen from above. Local coordinates: a 190 x 262 box.

QPainterPath mouseBody() {
    QPainterPath right;
    QPainterPath path;
    path.moveTo(95, 4);
    path.cubicTo(128, 4, 152, 22, 156, 60);
    path.cubicTo(159, 95, 152, 130, 154, 160);
    path.cubicTo(157, 195, 162, 222, 150, 240);
    path.cubicTo(138, 256, 115, 258, 95, 258);
    path.cubicTo(75, 258, 52, 256, 40, 240);
    path.cubicTo(28, 222, 33, 195, 36, 160);
    path.cubicTo(38, 130, 31, 95, 34, 60);
    path.cubicTo(38, 22, 62, 4, 95, 4);
    path.closeSubpath();
    return path;
}

struct MouseParts {
    QPainterPath body;
    std::array<QPainterPath, 7> buttons; // slot order
};

const QPointF kMouseOrigin(30, 142); // the main page's mouse drawing, at scale 1

MouseParts mouseParts() {
    MouseParts m;
    m.body = mouseBody();
    // The main buttons end in a slanted seam, each inside its own highlight rectangle.
    QPainterPath leftArea;
    leftArea.addPolygon(QPolygonF({{0, 0}, {82, 0}, {82, 110}, {0, 117}}));
    leftArea.closeSubpath();
    QPainterPath rightArea;
    rightArea.addPolygon(QPolygonF({{108, 0}, {190, 0}, {190, 117}, {108, 110}}));
    rightArea.closeSubpath();
    m.buttons[0] = m.body.intersected(leftArea);
    m.buttons[1] = m.body.intersected(rightArea);
    m.buttons[2].addRoundedRect(QRectF(88, 30, 14, 46), 6, 6);
    m.buttons[3].addRoundedRect(QRectF(22, 176, 18, 32), 7, 7);
    m.buttons[4].addRoundedRect(QRectF(22, 132, 18, 34), 7, 7);
    m.buttons[5].addRoundedRect(QRectF(89, 104, 12, 12), 3, 3);
    m.buttons[6].addRoundedRect(QRectF(89, 86, 12, 12), 3, 3);
    return m;
}

void drawMouseTop(QPainter& p, QPointF origin, double scale, const std::array<bool, 7>& lit,
                  Lighting lighting) {
    p.save();
    p.translate(origin);
    p.scale(scale, scale);
    const MouseParts m = mouseParts();
    const QRectF bounds = m.body.boundingRect();

    if (lighting) {
        // Under-glow in the lighting colour.
        const QColor c = toColor(*lighting);
        QRadialGradient glow(QPointF(95, 150), 150);
        glow.setColorAt(0, withAlpha(c, 90));
        glow.setColorAt(0.6, withAlpha(c, 40));
        glow.setColorAt(1, withAlpha(c, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(95, 150), 150, 150);
    }

    // Shell.
    QLinearGradient shell(bounds.topLeft(), bounds.bottomRight());
    shell.setColorAt(0, QColor(40, 45, 56));
    shell.setColorAt(0.5, QColor(24, 27, 35));
    shell.setColorAt(1, QColor(14, 16, 21));
    p.fillPath(m.body, shell);

    // Palm facets.
    QPainterPath facet;
    facet.moveTo(50, 130);
    facet.lineTo(95, 150);
    facet.lineTo(140, 130);
    facet.lineTo(146, 200);
    facet.lineTo(95, 236);
    facet.lineTo(44, 200);
    facet.closeSubpath();
    p.fillPath(facet.intersected(m.body), QColor(255, 255, 255, 8));

    // Channel between the main buttons.
    QPainterPath channel;
    channel.addRoundedRect(QRectF(83, 14, 24, 110), 8, 8);
    p.fillPath(channel, QColor(10, 12, 16));
    // Side grips: fine diagonal ribs on both flanks.
    p.setPen(QPen(QColor(255, 255, 255, 16), 1));
    for (int y = 136; y < 214; y += 6) {
        p.drawLine(QPointF(44, y), QPointF(52, y - 4));
        p.drawLine(QPointF(146, y), QPointF(138, y - 4));
    }

    for (std::size_t k = 0; k < m.buttons.size(); ++k) {
        const QPainterPath& b = m.buttons[k];
        const QRectF br = b.boundingRect();
        if (lit[k]) {
            p.fillPath(b, vertical(br, QColor(255, 60, 84), QColor(150, 14, 34)));
            // Glossy top: a lighter band across the upper third of the lit button.
            p.save();
            p.setClipPath(b);
            p.fillRect(QRectF(br.left(), br.top(), br.width(), br.height() / 3),
                       vertical(QRectF(br.left(), br.top(), br.width(), br.height() / 3),
                                QColor(255, 255, 255, 70), QColor(255, 255, 255, 0)));
            p.restore();
            p.setPen(QPen(QColor(255, 170, 180), 1.2));
        } else {
            p.fillPath(b, vertical(br, QColor(46, 52, 64), QColor(26, 30, 38)));
            p.setPen(QPen(QColor(70, 78, 94), 1));
        }
        p.setBrush(Qt::NoBrush);
        p.drawPath(b);
    }
    // Wheel ridges.
    p.setPen(QPen(lit[2] ? QColor(255, 200, 205) : QColor(78, 86, 102), 1));
    for (int y = 36; y < 72; y += 5) {
        p.drawLine(QPointF(90, y + 0.5), QPointF(100, y + 0.5));
    }

    // Lighting: side strips, the emblem on the palm and the wheel ring.
    const QColor stripColour = lighting ? toColor(*lighting) : QColor(44, 48, 58);
    QPainterPath strips;
    strips.moveTo(38, 150);
    strips.cubicTo(36, 190, 34, 215, 46, 236);
    strips.moveTo(152, 150);
    strips.cubicTo(154, 190, 156, 215, 144, 236);
    if (lighting) {
        stroke(p, strips, QPen(withAlpha(stripColour, 90), 9, Qt::SolidLine, Qt::RoundCap));
        p.setPen(QPen(stripColour.lighter(130), 3, Qt::SolidLine, Qt::RoundCap));
    } else {
        p.setPen(QPen(stripColour, 3, Qt::SolidLine, Qt::RoundCap));
    }
    p.drawPath(strips);
    QPainterPath emblem;
    emblem.moveTo(80, 176);
    emblem.lineTo(110, 176);
    emblem.lineTo(104, 184);
    emblem.lineTo(99, 184);
    emblem.lineTo(95, 210);
    emblem.lineTo(91, 184);
    emblem.lineTo(86, 184);
    emblem.closeSubpath();
    if (lighting) {
        QRadialGradient g(QPointF(95, 190), 26);
        g.setColorAt(0, withAlpha(stripColour, 150));
        g.setColorAt(1, withAlpha(stripColour, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(95, 190), 26, 26);
        p.fillPath(emblem, stripColour.lighter(140));
    } else {
        p.fillPath(emblem, QColor(52, 57, 68));
    }

    // Outline; lit, the rim glows in the lighting colour.
    p.setBrush(Qt::NoBrush);
    if (lighting) {
        stroke(p, m.body, QPen(withAlpha(stripColour, 70), 6));
        p.setPen(QPen(stripColour.lighter(120), 1.2));
    } else {
        p.setPen(QPen(QColor(88, 96, 114), 1.2));
    }
    p.drawPath(m.body);
    p.restore();
}

// ---------------------------------------------------------------------------------------------
// Pages.

bool mainHitTested(bool mainPage, std::size_t i) {
    return mainPage ? i <= 79 : i <= 19;
}

void drawLook(QPainter& p, const SkinDescription& skin, const Entry& e, State s) {
    switch (e.look) {
    case Look::Plain:
    case Look::Hidden:
    case Look::Highlight:
    case Look::Plate:
    case Look::Field:
        break;
    case Look::Heading:
        drawHeading(p, e.r, s);
        break;
    case Look::Label:
        drawLabel(p, e.r, s);
        break;
    case Look::Button:
        drawButton(p, e.r, s, 7);
        break;
    case Look::Accent:
        drawAccentButton(p, e, s);
        break;
    case Look::Tab:
        drawTab(p, e.r, s);
        break;
    case Look::Segment:
        drawButton(p, e.r, s, 4);
        break;
    case Look::Minimise:
        drawTitleGlyph(p, e.r, s, false);
        break;
    case Look::Close:
        drawTitleGlyph(p, e.r, s, true);
        break;
    case Look::Slot:
        drawSlot(p, e.r, s);
        break;
    case Look::Switch:
        drawSwitch(p, e.r, s);
        break;
    case Look::Check:
        drawCheck(p, e.r, s);
        break;
    case Look::Radio:
        if (s != State::Normal) {
            p.fillPath(chamfered(inner(e.r), 5), s == State::Over ? kCtrlOver : QColor(40, 10, 17));
        }
        drawRadioDot(p, inner(e.r).center(), s, kAccent);
        break;
    case Look::ModeRadio:
        drawModeRadio(p, e.r, s);
        break;
    case Look::Notch:
        drawNotch(p, e.r, s);
        break;
    case Look::Mark:
        drawMark(p, e, s);
        break;
    case Look::Bar: {
        const QRectF r = inner(e.r);
        if (s == State::Down) {
            QLinearGradient g(r.topLeft(), r.topRight());
            g.setColorAt(0, QColor(110, 10, 28));
            g.setColorAt(1, QColor(255, 50, 76));
            p.fillRect(r, g);
            p.fillRect(QRectF(r.left(), r.top(), r.width(), r.height() / 3),
                       QColor(255, 255, 255, 30));
            p.setPen(QPen(kAccent, 1));
        } else {
            p.fillRect(r, kWell);
            p.setPen(QPen(kTrack, 1));
            for (int i = 1; i < 10; ++i) {
                const double x = r.left() + r.width() * i / 10.0;
                p.drawLine(QPointF(x, r.bottom() - 5), QPointF(x, r.bottom() - 1));
            }
            p.setPen(QPen(s == State::Over ? kAccent : kCtrlBorder, 1));
        }
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        break;
    }
    case Look::Value:
        drawValue(p, e.r, s);
        break;
    case Look::Scale:
        drawScale(p, skin, e, s);
        break;
    }
}

void drawPlate(QPainter& p, const Rect& e, State s) {
    const QRectF r = inner(e);
    const QPainterPath path = chamfered(r, 14);
    p.fillPath(path, s == State::Down ? vertical(r, kAccentDeeper, kAccentDeep)
                                      : vertical(r, QColor(22, 25, 33), QColor(13, 15, 20)));
    stroke(p, path, QPen(s == State::Normal ? kPanelBorder : kAccent, 1));
    const QPointF c = r.center();
    // Three stacked chevrons: the "V" of the model name.
    for (int i = 0; i < 3; ++i) {
        const double y = c.y() - 20 + i * 12;
        QColor ink = kAccent;
        ink.setAlpha(s == State::Normal ? 90 + 50 * i : 200 + 25 * i);
        p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawPolyline(
            QPolygonF({QPointF(c.x() - 22, y), QPointF(c.x(), y + 14), QPointF(c.x() + 22, y)}));
    }
    p.setFont(pictureFont(10, true));
    p.setPen(s == State::Normal ? kDim : QColor(255, 255, 255));
    p.drawText(QRectF(r.left(), r.bottom() - 22, r.width(), 18), Qt::AlignCenter,
               QStringLiteral("T O R V E X   V 3"));
}

void drawLogo(QPainter& p) {
    // Emblem: an angular shield with a notch, then the word mark.
    QPainterPath shield;
    shield.moveTo(26, 12);
    shield.lineTo(52, 12);
    shield.lineTo(58, 20);
    shield.lineTo(46, 44);
    shield.lineTo(39, 36);
    shield.lineTo(32, 44);
    shield.lineTo(20, 20);
    shield.closeSubpath();
    p.fillPath(shield, vertical(shield.boundingRect(), QColor(255, 80, 100), QColor(160, 14, 34)));
    stroke(p, shield, QPen(QColor(255, 160, 170), 1));
    p.fillRect(QRectF(33, 18, 12, 3), QColor(20, 6, 10));
    p.fillRect(QRectF(37.5, 21, 3, 10), QColor(20, 6, 10));

    QFont word = pictureFont(22, true);
    word.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(word);
    p.setPen(QColor(236, 238, 242));
    p.drawText(QPointF(68, 36), QStringLiteral("TORVEX"));
    p.setPen(kAccent);
    p.setFont(pictureFont(13, true));
    p.drawText(QPointF(190, 36), QStringLiteral("V3"));
    p.setFont(pictureFont(9, false));
    p.setPen(kDim);
    QFont small = pictureFont(9, false);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(small);
    p.drawText(QPointF(70, 48), QStringLiteral("GAMING MOUSE"));
}

void drawFrame(QPainter& p, const SkinDescription& skin) {
    const QRectF all(0, 0, skin.width, skin.height);
    p.fillRect(all, Qt::black);
    const QPainterPath outline = polygonPath(skin.outline);
    p.save();
    p.setClipPath(outline);
    p.fillRect(all, vertical(all, kBgTop, kBgBottom));
    // Fine diagonal texture.
    p.setPen(QPen(QColor(255, 255, 255, 6), 1));
    for (int x = -skin.height; x < skin.width; x += 7) {
        p.drawLine(QPointF(x, skin.height), QPointF(x + skin.height, 0));
    }
    // Title bar band with a neon rule underneath.
    const QRectF bar(0, 0, skin.width, 54);
    p.fillRect(bar, vertical(bar, QColor(22, 25, 33), QColor(12, 14, 19)));
    QLinearGradient rule(QPointF(0, 54), QPointF(skin.width, 54));
    rule.setColorAt(0, withAlpha(kAccent, 230));
    rule.setColorAt(0.45, withAlpha(kAccent, 60));
    rule.setColorAt(1, withAlpha(kAccent, 10));
    p.fillRect(QRectF(0, 54, skin.width, 1), rule);
    // Angled accent strip behind the logo.
    QPainterPath strip;
    strip.moveTo(0, 0);
    strip.lineTo(238, 0);
    strip.lineTo(222, 54);
    strip.lineTo(0, 54);
    strip.closeSubpath();
    p.fillPath(strip, QColor(255, 42, 68, 14));
    p.setPen(QPen(withAlpha(kAccent, 120), 1));
    p.drawLine(QPointF(238, 0.5), QPointF(222, 54));
    // Circuit traces in the empty middle of the title bar.
    p.setPen(QPen(withAlpha(kAccent, 46), 1));
    for (int i = 0; i < 3; ++i) {
        const double y = 14.5 + 11 * i;
        p.drawPolyline(QPolygonF({QPointF(252 + 8 * i, y), QPointF(300 + 8 * i, y),
                                  QPointF(312 + 8 * i, y + 8), QPointF(400 - 6 * i, y + 8)}));
        p.setBrush(withAlpha(kAccent, 90));
        p.drawEllipse(QPointF(400 - 6 * i, y + 8), 1.8, 1.8);
    }
    p.setBrush(Qt::NoBrush);
    // Neon edge just inside the outline (the stroke's outer half is clipped away).
    stroke(p, outline, QPen(withAlpha(kAccent, 210), 2));
    p.restore();
    drawLogo(p);
}

void drawEntries(QPainter& p, const SkinDescription& skin, const std::array<Entry, 99>& table,
                 std::size_t first, std::size_t last, bool mainPage, State s) {
    for (std::size_t i = first; i <= last; ++i) {
        const Entry& e = table.at(i);
        const bool live = mainHitTested(mainPage, i) || e.look == Look::Mark;
        drawLook(p, skin, e, live ? s : State::Normal);
    }
}

template <std::size_t N>
void drawTable(QPainter& p, const SkinDescription& skin, const std::array<Entry, N>& table,
               std::size_t hitLast, State s) {
    for (std::size_t i = 0; i < N; ++i) {
        const Entry& e = table.at(i);
        drawLook(p, skin, e, i <= hitLast ? s : State::Normal);
    }
}

void paintMainContent(QPainter& p, const SkinDescription& skin, State s) {
    drawPanel(p, QRectF(20.5, 108.5, 759, 305));
    drawPanel(p, QRectF(20.5, 418.5, 759, 165));
    // Separator between the slot list and the right-hand column.
    p.setPen(QPen(kPanelBorder, 1));
    p.drawLine(QPointF(599.5, 140), QPointF(599.5, 404));
    std::array<bool, 7> lit{};
    lit.fill(s == State::Over);
    drawMouseTop(p, kMouseOrigin, 1.0, lit, {});
    drawPlate(p, skin.main[59].r, s);
    drawEntries(p, skin, skin.main, 20, 98, true, s);
}

void paintAdvancedContent(QPainter& p, const SkinDescription& skin, State s) {
    drawPanel(p, QRectF(20.5, 108.5, 205, 469));
    drawPanel(p, QRectF(236.5, 108.5, 249, 469));
    drawPanel(p, QRectF(496.5, 108.5, 283, 469));
    drawField(p, skin.macroList);
    drawField(p, skin.eventList);
    drawField(p, skin.macroNameEdit);
    drawField(p, skin.repeatEdit);
    drawTable(p, skin, skin.adv, 37, s);
}

void paintColourContent(QPainter& p, const SkinDescription& skin, State s, Lighting preview) {
    drawPanel(p, QRectF(20.5, 108.5, 449, 469));
    drawPanel(p, QRectF(480.5, 108.5, 299, 469));
    // Preview well: a dark stage with a faint grid; identical in every colour picture.
    const Rect& e = skin.color[11].r;
    const QRectF stage(e.x, e.y, e.w, e.h);
    p.fillRect(stage, QColor(8, 9, 13));
    p.setPen(QPen(QColor(255, 255, 255, 9), 1));
    for (int x = e.x + 19; x < e.right(); x += 20) {
        p.drawLine(QPointF(x + 0.5, e.y), QPointF(x + 0.5, e.bottom()));
    }
    for (int y = e.y + 19; y < e.bottom(); y += 20) {
        p.drawLine(QPointF(e.x, y + 0.5), QPointF(e.right(), y + 0.5));
    }
    p.save();
    p.setClipRect(stage);
    const double scale = 1.5;
    const QPointF origin(e.x + (e.w - 190 * scale) / 2.0, e.y + (e.h - 262 * scale) / 2.0);
    drawMouseTop(p, origin, scale, {}, preview);
    p.restore();
    p.setPen(QPen(kCtrlBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(e.x + 0.5, e.y + 0.5, e.w - 1, e.h - 1));
    // Level colour chips between the legend lines.
    for (std::size_t k = 0; k < kLevelColours.size(); ++k) {
        const QRectF chip(494 + 70.0 * static_cast<double>(k), 458, 62, 18);
        const QColor c = toColor(kLevelColours[k]);
        p.fillRect(chip, vertical(chip, c.lighter(120), c.darker(140)));
        p.setPen(QPen(c.lighter(160), 1));
        p.drawRect(chip.adjusted(0.5, 0.5, -0.5, -0.5));
        p.setFont(pictureFont(11, true));
        p.setPen(Qt::white);
        p.drawText(chip, Qt::AlignCenter, QString::number(k + 1));
    }
    drawTable(p, skin, skin.color, 4, s);
}

} // namespace

QImage paintPage(const SkinDescription& skin, Page page, State state, Lighting preview) {
    QImage image(skin.width, skin.height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawFrame(p, skin);
    switch (page) {
    case Page::Main:
        paintMainContent(p, skin, state);
        break;
    case Page::Advanced:
        paintAdvancedContent(p, skin, state);
        break;
    case Page::Colour:
        paintColourContent(p, skin, state, preview);
        break;
    }
    drawEntries(p, skin, skin.main, 0, 19, page == Page::Main, state);
    p.end();
    return image;
}

QImage paintKnob(const SkinDescription& skin) {
    QImage image(skin.knob.w, skin.knob.h, QImage::Format_RGB32);
    image.fill(kPanel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const Rect local{0, 0, skin.knob.w, skin.knob.h};
    drawTrack(p, local);
    drawKnobShape(p, QPointF(local.w / 2.0, trackY(local)));
    p.end();
    return image;
}

namespace {

QImage paintMaskFrom(int width, int height, const std::vector<std::array<int, 2>>& outline,
                     QImage::Format format) {
    QImage image(width, height, format);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPolygon polygon;
    for (const auto& pt : outline) {
        polygon << QPoint(pt[0], pt[1]);
    }
    p.drawPolygon(polygon);
    p.end();
    return image;
}

} // namespace

QImage paintWindowMask(const SkinDescription& skin) {
    return paintMaskFrom(skin.width, skin.height, skin.outline, QImage::Format_Grayscale8);
}

QImage paintWarningMask(const SkinDescription& skin) {
    return paintMaskFrom(skin.warnWidth, skin.warnHeight, skin.warnOutline, QImage::Format_RGB32);
}

QImage paintWarning(const SkinDescription& skin, State state) {
    QImage image(skin.warnWidth, skin.warnHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPainterPath outline = polygonPath(skin.warnOutline);
    const QRectF all(0, 0, skin.warnWidth, skin.warnHeight);
    p.setClipPath(outline);
    p.fillRect(all, vertical(all, QColor(26, 18, 22), kBgBottom));
    p.setPen(QPen(QColor(255, 255, 255, 6), 1));
    for (int x = -skin.warnHeight; x < skin.warnWidth; x += 7) {
        p.drawLine(QPointF(x, skin.warnHeight), QPointF(x + skin.warnHeight, 0));
    }
    stroke(p, outline, QPen(kAccent, 3));
    p.setClipping(false);
    // Warning sign in the top tab.
    const QPointF c(skin.warnWidth / 2.0, 28);
    QPainterPath sign;
    sign.moveTo(c + QPointF(0, -17));
    sign.lineTo(c + QPointF(17, 12));
    sign.lineTo(c + QPointF(-17, 12));
    sign.closeSubpath();
    QRadialGradient glow(c, 30);
    glow.setColorAt(0, withAlpha(kAccent, 90));
    glow.setColorAt(1, withAlpha(kAccent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, 30, 24);
    p.fillPath(sign, vertical(sign.boundingRect(), QColor(255, 90, 108), QColor(180, 16, 38)));
    p.fillRect(QRectF(c.x() - 1.5, c.y() - 8, 3, 11), QColor(20, 4, 8));
    p.fillRect(QRectF(c.x() - 1.5, c.y() + 5, 3, 3), QColor(20, 4, 8));
    // Message plate.
    const Rect& m = skin.warn[2].r;
    p.setPen(QPen(QColor(70, 24, 32), 1));
    p.setBrush(QColor(12, 8, 10));
    p.drawPath(chamfered(QRectF(m.x + 0.5, m.y + 0.5, m.w - 1, m.h - 1), 10));
    drawButton(p, skin.warn[0].r, state, 8);
    drawButton(p, skin.warn[1].r, state, 8);
    p.end();
    return image;
}

namespace {

QImage paintRows(int width, int rowHeight, int rows, State state, int groupStart) {
    const int height = rows * rowHeight + 1;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kPanel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int r = 0; r < rows; ++r) {
        const QRectF row(0, r * rowHeight, width, rowHeight);
        const bool group = groupStart > 0 && r >= groupStart;
        p.fillRect(row, group ? QColor(21, 24, 32) : kPanel);
        if (state == State::Over) {
            p.fillRect(row, vertical(row, QColor(38, 30, 40), QColor(30, 24, 32)));
            p.fillRect(QRectF(0, row.top() + 1, 3, rowHeight - 1), kAccent);
            QLinearGradient g(row.topLeft(), row.topRight());
            g.setColorAt(0, withAlpha(kAccent, 60));
            g.setColorAt(0.5, withAlpha(kAccent, 0));
            p.fillRect(row, g);
        } else if (state == State::Down) {
            p.fillRect(row, vertical(row, kAccentDeeper, kAccentDeep));
            p.fillRect(QRectF(0, row.top() + 1, 3, rowHeight - 1), kAccent);
            p.setPen(QPen(kAccent, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(row.adjusted(0.5, 1.5, -0.5, -0.5));
        }
        // Each row starts with a separator, so the line below the last shown row (the window's
        // extra pixel line) is a closing border whatever the row count.
        const QColor line =
            (r == 0) ? kAccent
                     : (group && r == groupStart ? QColor(80, 28, 38) : QColor(38, 44, 56));
        p.fillRect(QRectF(0, row.top(), width, 1), line);
    }
    p.fillRect(QRectF(0, rows * rowHeight, width, 1), QColor(38, 44, 56));
    // Side borders.
    p.fillRect(QRectF(0, 0, 1, height), kCtrlBorder);
    p.fillRect(QRectF(width - 1, 0, 1, height), kCtrlBorder);
    p.end();
    return image;
}

} // namespace

QImage paintMenu(const SkinDescription& skin, State state) {
    // Rows 7 to 10 open the submenu; a darker band sets them apart.
    return paintRows(skin.menuWidth, skin.menuRowHeight, 10, state, 6);
}

QImage paintSubMenu(const SkinDescription& skin, State state) {
    return paintRows(skin.subWidth, skin.subRowHeight, 12, state, 0);
}

QImage paintMenuMask(const SkinDescription& skin) {
    QImage image(skin.menuWidth, skin.menuRowHeight * 10 + 1, QImage::Format_Grayscale8);
    image.fill(Qt::black);
    return image;
}

QImage paintSubMenuMask(const SkinDescription& skin) {
    QImage image(skin.subWidth, skin.subRowHeight * 12 + 1, QImage::Format_Grayscale8);
    image.fill(Qt::black);
    return image;
}

QByteArray iconSvg() {
    return QByteArrayLiteral(
        R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="plate" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#1c2029"/>
      <stop offset="1" stop-color="#07080b"/>
    </linearGradient>
    <linearGradient id="neon" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ff5a72"/>
      <stop offset="1" stop-color="#d0102e"/>
    </linearGradient>
  </defs>
  <path d="M44 8H212L248 44V212L212 248H44L8 212V44Z" fill="url(#plate)" stroke="#ff2a44" stroke-width="10" stroke-linejoin="miter"/>
  <path d="M128 38C164 38 182 60 184 98C186 132 180 160 182 184C184 214 162 222 128 222C94 222 72 214 74 184C76 160 70 132 72 98C74 60 92 38 128 38Z" fill="#12151c" stroke="url(#neon)" stroke-width="12"/>
  <path d="M128 44V112M74 112H182" stroke="url(#neon)" stroke-width="8" fill="none"/>
  <rect x="118" y="62" width="20" height="36" rx="10" fill="#ff2a44"/>
  <path d="M104 146H152L140 162H134L128 196L122 162H116Z" fill="#ff2a44"/>
</svg>
)svg");
}

QImage renderIcon(const QByteArray& svg, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    renderer.render(&p, QRectF(0, 0, size, size));
    p.end();
    return image;
}

bool checkHighlights(const SkinDescription& skin, QString* error) {
    const MouseParts m = mouseParts();
    for (std::size_t k = 0; k < m.buttons.size(); ++k) {
        // Lit in the over picture, button k must lie wholly inside its highlight rectangle, or
        // hovering one slot would light part of another button, or leave part of its own dark.
        const QRectF b =
            m.buttons[k].boundingRect().translated(kMouseOrigin).adjusted(-1, -1, 1, 1);
        const Rect& r = skin.main.at(90 + k).r;
        if (!QRectF(r.x, r.y, r.w, r.h).contains(b)) {
            *error = QStringLiteral("button %1 of the mouse drawing leaves highlight entry %2")
                         .arg(k)
                         .arg(90 + k);
            return false;
        }
    }
    return true;
}

} // namespace torvex::skingen
