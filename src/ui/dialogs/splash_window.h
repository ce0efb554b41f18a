#pragma once
// The splash window of the normal start: our own picture over the main window for two seconds, or
// until the user clicks it.

#include <QPixmap>

class QWidget;

// Shows the splash centred over mainWindow, which owns it; it closes itself and repaints
// mainWindow. Returns at once.
void showSplash(QWidget* mainWindow);

// The picture the splash and the About box show, drawn for the screen's pixel ratio.
QPixmap splashPicture();
