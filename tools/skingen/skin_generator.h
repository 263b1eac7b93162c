#pragma once

#include "skin_description.h"

#include <QString>
#include <QStringList>

namespace torvex::skingen {

// Every file the generator writes, relative to the skin folder.
QStringList generatedFiles();

// Writes every picture, layout file and icon of the skin into `dir` (created when needed) and
// checks that the saved masks decode to exactly the intended shapes. Returns false with a reason
// on any failure.
bool generateSkin(const SkinDescription& skin, const QString& dir, QString* error);

// The text of one layout file, as written.
QByteArray layoutFileText(const SkinDescription& skin, const QString& name);

} // namespace torvex::skingen
