#include "ui/look/fixed_font.h"

#include <QFontDatabase>

namespace cellwatch {

QFont fixedPitchFont() {
    static const QString kFamily = QStringLiteral("Courier New");
    // A QFont of a family that is missing silently becomes some other face, so ask first.
    if (QFontDatabase::hasFamily(kFamily)) {
        QFont font(kFamily);
        font.setStyleHint(QFont::TypeWriter);
        return font;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

} // namespace cellwatch
