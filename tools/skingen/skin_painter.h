#pragma once

#include "skin_description.h"

#include <QImage>
#include <QString>
#include <optional>

namespace torvex::skingen {

// Which picture of a page is painted: everything at rest, everything highlighted, or everything
// pressed / selected.
enum class State { Normal, Over, Down };

enum class Page { Main, Advanced, Colour };

// The lighting shown by the mouse preview of the colour page; nullopt is the unlit mouse.
using Lighting = std::optional<Rgb>;

QImage paintPage(const SkinDescription& skin, Page page, State state, Lighting preview = {});
QImage paintKnob(const SkinDescription& skin);
// Pure black (kept) and white (cut away) with hard edges.
QImage paintWindowMask(const SkinDescription& skin);
QImage paintWarningMask(const SkinDescription& skin);
QImage paintWarning(const SkinDescription& skin, State state);
QImage paintMenu(const SkinDescription& skin, State state);
QImage paintSubMenu(const SkinDescription& skin, State state);
// The mask pictures of the menus: only their size is read.
QImage paintMenuMask(const SkinDescription& skin);
QImage paintSubMenuMask(const SkinDescription& skin);

// Checks that each button of the mouse drawing lies inside its highlight entry (90 to 96).
bool checkHighlights(const SkinDescription& skin, QString* error);

// The application icon as SVG text; the PNG sizes are rendered from it.
QByteArray iconSvg();
QImage renderIcon(const QByteArray& svg, int size);

} // namespace torvex::skingen
