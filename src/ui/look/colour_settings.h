#pragma once
// The six colours of section "Colours" as QColor values: stored as 0x00BBGGRR numbers, with the
// desktop theme's text or background colour when a key is absent. The options sheet and the views
// that paint with these colours read them the same way.

#include <QColor>

#include <string_view>

namespace cellwatch {
class Settings;
}

// The default of a colour key: the palette's text colour, or its base (text background) colour for
// "Background".
QColor defaultColour(std::string_view key);

QColor readColour(const cellwatch::Settings& settings, std::string_view key);
void writeColour(cellwatch::Settings& settings, std::string_view key, const QColor& colour);

// 0x00BBGGRR and back.
int packedColour(const QColor& colour);
QColor unpackedColour(int packed);
