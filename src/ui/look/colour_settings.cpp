#include "ui/look/colour_settings.h"

#include "app/settings.h"
#include "platform/settings_catalogue.h"

#include <QGuiApplication>
#include <QPalette>

namespace set = cellwatch::settings;

QColor defaultColour(std::string_view key) {
    // The colours paint text areas (editor, result log), so the theme's text-area roles fit, not
    // the dialog-face ones.
    const QPalette palette = QGuiApplication::palette();
    return key == set::kBackground ? palette.color(QPalette::Base) : palette.color(QPalette::Text);
}

int packedColour(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return set::packColour(rgb.red(), rgb.green(), rgb.blue());
}

QColor unpackedColour(int packed) {
    return QColor(set::colourRed(packed), set::colourGreen(packed), set::colourBlue(packed));
}

QColor readColour(const cellwatch::Settings& settings, std::string_view key) {
    return unpackedColour(settings.readInt(set::kColours, key, packedColour(defaultColour(key))));
}

void writeColour(cellwatch::Settings& settings, std::string_view key, const QColor& colour) {
    settings.writeInt(set::kColours, key, packedColour(colour));
}
